#pragma once

#include <string>

// Where the module's files go, derived from the host's package configuration path.
extern std::string g_sPackageConfigFile;
extern std::string g_sPackageDir;
extern std::string g_sLogDir;

// Keeps the path and derives the package and log directories from it; "/" is the only separator.
void deriveLocations(const char* packageConfigFile);
