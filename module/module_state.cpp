#include <fstream>
#include <string>

#include "log/trace_log.h"
#include "module/locations.h"

// All module-wide objects in one translation unit: load constructs them in this order and
// unload destroys them in the reverse one, closing a log that is still open.
std::string g_sPackageConfigFile;
std::string g_sPackageDir(".");
std::string g_sLogDir(".");
std::ofstream g_enumeratorLog;
std::ofstream g_diagnosticLog;
