#include "BackendChoice.h"

#include <cstdlib>

#include "simulated/SimulatedBackend.h"
#include "unsupported/UnsupportedBackend.h"

namespace KestraDiags {
namespace Ludrel {

std::shared_ptr<Backend> chooseBackend() {
  const char* topology = std::getenv(kTopologyVariable);
  if (topology != nullptr && *topology != '\0') {
    return std::make_shared<SimulatedBackend>(topology);
  }
  return std::make_shared<UnsupportedBackend>();
}

}  // namespace Ludrel
}  // namespace KestraDiags
