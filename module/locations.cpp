#include "module/locations.h"

void deriveLocations(const char* packageConfigFile) {
  g_sPackageConfigFile = packageConfigFile != nullptr ? packageConfigFile : "";

  const std::string::size_type lastSlash = g_sPackageConfigFile.rfind('/');
  if (lastSlash != std::string::npos) g_sPackageDir = g_sPackageConfigFile.substr(0, lastSlash);

  // Always from the package directory as it now stands, so a path without "/" undoes an earlier
  // fallback of the log directory.
  const std::string::size_type parentSlash = g_sPackageDir.rfind('/');
  if (parentSlash != std::string::npos) g_sLogDir = g_sPackageDir.substr(0, parentSlash) + "/log";
}
