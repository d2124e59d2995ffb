// One enumeration of a simulated machine, for instruction counts under callgrind:
//   enumerate_once DEVICES on|off
// Only the second getDeviceVector is measured (the first lets the library parse the topology),
// between the callgrind client requests that turn collection on and off.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "../tests/support/ModuleUnderTest.h"
#include "../tests/support/TempDir.h"
#include "SimulatedMachine.h"

using KestraDiags::DeviceEnum::IDeviceEnumerator;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: enumerate_once DEVICES on|off\n");
    return 2;
  }
  const int devices = std::atoi(argv[1]);
  const bool logging = std::string(argv[2]) == "on";
  const TempDir dir;
  useSimulatedMachine(dir.path(), devices);
  ModuleUnderTest module;
  module.setPackageConfigFile((dir.makeDir("package/config") + "/halvex.xml").c_str());
  dir.makeDir("package/log");
  const std::unique_ptr<IDeviceEnumerator> enumerator(
      module.getIDeviceEnumerator(logging, IDeviceEnumerator::MODE_NORMAL));
  delete enumerator->getDeviceVector("host", 0);
  CALLGRIND_TOGGLE_COLLECT;
  const std::size_t shown = enumerator->getDeviceVector("host", 0)->size();
  CALLGRIND_TOGGLE_COLLECT;
  std::printf("%zu devices shown\n", shown);
  return 0;
}
