#include <iostream>

#include "CommandLine.h"
#include "HalvexModule.h"
#include "HostOutput.h"

using namespace KestraDiags::HalvexHost;

namespace {

// What the framework does before it asks the module for anything: the USB library's
// environment, the module itself, then the package configuration path.
Result<HalvexModule> prepareModule(const HostOptions& options) {
  if (!options.topologyFile.empty()) {
    if (auto error = useTopologyFile(options.topologyFile)) return *error;
  }
  std::string path = options.modulePath;
  if (path.empty()) {
    Result<std::string> found = findDefaultModule();
    if (!found.ok()) return found.failure();
    path = found.value();
  }
  Result<HalvexModule> module = HalvexModule::load(path);
  if (module.ok() && !options.packageConfigFile.empty()) {
    module.value().setPackageConfigFile(options.packageConfigFile);
  }
  return module;
}

int runCommand(const HostOptions& options) {
  switch (options.command) {
    case Command::List:
      return runList(prepareModule(options), options, std::cout, std::cerr);
    case Command::Diagnose:
      return runDiagnose(prepareModule(options), options, std::cout, std::cerr);
    case Command::Ports:
      return runPorts(prepareModule(options), options, std::cout, std::cerr);
    case Command::Snapshot:
      return runSnapshot(options, std::cout, std::cerr);
  }
  return kExitUnknown;
}

}  // namespace

int main(int argc, char** argv) {
  HostOptions options;
  if (std::optional<int> status = parseCommandLine(argc, argv, options)) return *status;
  const int status = runCommand(options);
  // A report that could not be written (a full disk, a closed pipe) is no success.
  if (!std::cout.flush()) {
    std::cerr << "halvex-host: cannot write the output\n";
    return worseStatus(status, kExitUnknown);
  }
  return status;
}
