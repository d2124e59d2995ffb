#pragma once

#include <cstdlib>
#include <string>

// Changes this process's environment for libraries that read it later, on POSIX and Windows.
inline void setEnvironment(const std::string& name, const std::string& value) {
#if defined(_WIN32)
  _putenv_s(name.c_str(), value.c_str());
#else
  ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

// On Windows an empty value is how a variable is removed.
inline void unsetEnvironment(const std::string& name) {
#if defined(_WIN32)
  _putenv_s(name.c_str(), "");
#else
  ::unsetenv(name.c_str());
#endif
}
