#include "Topology.h"

#include "tests/support/TempDir.h"

namespace topology {

namespace {

nlohmann::json portStates(const std::vector<Port>& ports) {
  nlohmann::json states = nlohmann::json::array();
  for (const Port& port : ports) {
    states.push_back({{"port", port.number}, {"key", port.key}, {"overCurrent", port.overCurrent}});
  }
  return states;
}

std::string deviceNode(const TempDir& dir, const std::string& location) {
  std::string name = "node-" + location;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return dir.write(name, "");
}

}  // namespace

nlohmann::json rootHub(const TempDir& dir, const std::string& name, const std::string& location,
                       int portCount, const std::vector<Port>& ports) {
  return {{"type", "root-hub"},         {"name", name},
          {"location", location},       {"devicePath", deviceNode(dir, location)},
          {"ports", portCount},         {"portStates", portStates(ports)},
          {"manufacturer", "Simulated"}};
}

nlohmann::json externalHub(const TempDir& dir, const std::string& description,
                           const std::string& location, const std::string& parentLocation,
                           int portCount, const std::vector<Port>& ports) {
  return {{"type", "hub"},
          {"description", description},
          {"location", location},
          {"parentLocation", parentLocation},
          {"devicePath", deviceNode(dir, location)},
          {"ports", portCount},
          {"portStates", portStates(ports)},
          {"vendor", "0x1a40"},
          {"product", "0x0101"}};
}

nlohmann::json device(const std::string& name, const std::string& location,
                      const std::string& parentLocation) {
  return {{"type", "device"},
          {"name", name},
          {"description", name},
          {"location", location},
          {"parentLocation", parentLocation}};
}

std::string write(const TempDir& dir, const std::vector<nlohmann::json>& devices,
                  const std::string& fileName) {
  return dir.write(fileName, nlohmann::json{{"devices", devices}}.dump(2));
}

}  // namespace topology
