#include "BackendChoice.h"

#include <cstdlib>

#include "simulated/SimulatedBackend.h"
#if defined(__linux__)
#include "linux/LinuxBackend.h"
#elif defined(_WIN32)
#include "windows/WindowsBackend.h"
#else
#include "unsupported/UnsupportedBackend.h"
#endif

namespace KestraDiags {
namespace Ludrel {

std::shared_ptr<Backend> chooseBackend() {
  const char* topology = std::getenv(kTopologyVariable);
  if (topology != nullptr && *topology != '\0') {
    return std::make_shared<SimulatedBackend>(topology);
  }
#if defined(__linux__)
  return std::make_shared<LinuxBackend>();
#elif defined(_WIN32)
  return std::make_shared<WindowsBackend>();
#else
  return std::make_shared<UnsupportedBackend>();
#endif
}

}  // namespace Ludrel
}  // namespace KestraDiags
