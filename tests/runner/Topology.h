#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class TempDir;

// Pieces of a topology file for the USB library's simulated backend.
namespace topology {

struct Port {
  int number;
  std::string key;
  int overCurrent = 0;  // 2: the port is in over-current
};

// A hub with status 0 gets a device node: a file in the test's directory, which the module can
// open as it would open the hub.
nlohmann::json rootHub(const TempDir& dir, const std::string& name, const std::string& location,
                       int portCount, const std::vector<Port>& ports);
nlohmann::json externalHub(const TempDir& dir, const std::string& description,
                           const std::string& location, const std::string& parentLocation,
                           int portCount, const std::vector<Port>& ports);
nlohmann::json device(const std::string& name, const std::string& location,
                      const std::string& parentLocation);

// Writes {"devices": [...]} and returns the file's path.
std::string write(const TempDir& dir, const std::vector<nlohmann::json>& devices,
                  const std::string& fileName = "topology.json");

}  // namespace topology
