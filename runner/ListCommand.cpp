#include <cctype>
#include <optional>
#include <set>
#include <string>

#include "CommandLine.h"
#include "ModuleDevices.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// One line per device in library order, under a header line.
void printDeviceTable(const std::vector<DeviceRecord>& devices, std::ostream& out) {
  TextTable table({"NAME", "CLASS", "STATUS", "LOCATION", "PARENT LOCATION", "DESCRIPTOR",
                   "MANUFACTURER", "SERIAL", "FIRMWARE"});
  for (const DeviceRecord& device : devices) {
    table.addRow({device.name, device.deviceClass, deviceStatusName(device.status), device.location,
                  device.parentLocation, device.descriptor, device.manufacturer,
                  device.serialNumber, device.firmwareRevision});
  }
  table.print(out);
}

// list --tree: the devices by parent location, roots first, each child indented under its
// parent, siblings in library order.

bool isChildOf(const DeviceRecord& child, const DeviceRecord& parent) {
  return &child != &parent && !child.parentLocation.empty() &&
         child.parentLocation == parent.location;
}

bool hasParentIn(const DeviceRecord& device, const std::vector<DeviceRecord>& devices) {
  for (const DeviceRecord& other : devices) {
    if (isChildOf(device, other)) return true;
  }
  return false;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool containsIgnoringCase(const std::string& text, const std::string& part) {
  return !part.empty() && lowerCase(text).find(lowerCase(part)) != std::string::npos;
}

// A bus location such as "1-2.4" ends with the port on the parent hub.
std::optional<int> portInLocation(const std::string& location) {
  const std::string::size_type separator = location.find_last_of("-.");
  if (separator == std::string::npos || separator + 1 == location.size()) return std::nullopt;
  const std::string digits = location.substr(separator + 1);
  if (digits.size() > 3) return std::nullopt;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return std::stoi(digits);
}

// The port of the parent hub that the child sits on: from its bus location where that names
// one, else when a key of the hub's cache names the child. Keys are the USB library's texts,
// derived from the device's identity: the serial number names a device best, then its
// location, then its name. A port goes to one child only.
std::optional<int> portOnParent(const DeviceRecord& child, const DeviceRecord& parent,
                                const std::set<int>& claimedPorts) {
  if (std::optional<int> port = portInLocation(child.location)) {
    if (claimedPorts.count(*port) == 0) return port;
  }
  for (const std::string* identity : {&child.serialNumber, &child.location, &child.name}) {
    for (const auto& [port, key] : parent.portKeys) {
      if (claimedPorts.count(port) == 0 && containsIgnoringCase(key, *identity)) return port;
    }
  }
  return std::nullopt;
}

std::string deviceLine(const DeviceRecord& device) {
  std::string line = device.name.empty() ? "(no name)" : device.name;
  if (!device.deviceClass.empty()) line += ", Class=" + device.deviceClass;
  if (!device.location.empty()) line += ", Location=" + device.location;
  if (device.status != 0) line += ", Status=" + deviceStatusName(device.status);
  return singleLine(line);
}

class TreePrinter {
 public:
  TreePrinter(const std::vector<DeviceRecord>& devices, std::ostream& out)
      : m_devices(devices), m_out(out) {}

  void print() {
    for (const DeviceRecord& device : m_devices) {
      if (!hasParentIn(device, m_devices)) printRoot(device);
    }
    // Devices whose parents form a loop have no root above them; they still get shown.
    for (const DeviceRecord& device : m_devices) {
      if (m_printed.count(&device) == 0) printRoot(device);
    }
  }

 private:
  void printRoot(const DeviceRecord& device) {
    m_printed.insert(&device);
    m_out << treeLine(0, deviceLine(device)) << '\n';
    printChildren(device, 1);
  }

  void printChildren(const DeviceRecord& parent, int depth) {
    std::set<int> portsShown;
    for (const DeviceRecord& child : m_devices) {
      if (!isChildOf(child, parent) || m_printed.count(&child) != 0) continue;
      m_printed.insert(&child);
      std::string portLabel;
      if (std::optional<int> port = portOnParent(child, parent, portsShown)) {
        portsShown.insert(*port);
        portLabel = "Port " + std::to_string(*port) + ": ";
      }
      m_out << treeLine(depth, portLabel + deviceLine(child)) << '\n';
      printChildren(child, depth + 1);
    }
    // Busy ports whose device could not be told, or that the module hides, are still shown.
    for (const auto& [port, key] : parent.portKeys) {
      if (portsShown.count(port) != 0) continue;
      m_out << treeLine(depth, "Port " + std::to_string(port) + ": busy, Key=" + singleLine(key))
            << '\n';
    }
  }

  const std::vector<DeviceRecord>& m_devices;
  std::ostream& m_out;
  std::set<const DeviceRecord*> m_printed;
};

void printDeviceTree(const std::vector<DeviceRecord>& devices, std::ostream& out) {
  TreePrinter(devices, out).print();
}

// list --json: {"backend": ..., "devices": [...]}, fields in a fixed order.

nlohmann::ordered_json deviceJson(const DeviceRecord& device) {
  nlohmann::ordered_json hubCache = nlohmann::ordered_json::object();
  for (const auto& [port, key] : device.portKeys) hubCache[std::to_string(port)] = key;
  return {
      {"name", device.name},
      {"class", device.deviceClass},
      {"status", device.status},
      {"statusName", deviceStatusName(device.status)},
      {"location", device.location},
      {"parentLocation", device.parentLocation},
      {"descriptor", device.descriptor},
      {"description", device.description},
      {"manufacturer", device.manufacturer},
      {"serialNumber", device.serialNumber},
      {"firmwareRevision", device.firmwareRevision},
      {"modelNumber", device.modelNumber},
      {"additionalHardwareInfo", device.additionalHardwareInfo},
      {"devicePath", device.devicePath},
      {"hubCache", hubCache},
  };
}

nlohmann::ordered_json deviceListJson(const std::vector<DeviceRecord>& devices) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const DeviceRecord& device : devices) list.push_back(deviceJson(device));
  return {{"backend", Ludrel::USBUtil::backendName()}, {"devices", list}};
}

}  // namespace

int runList(const Result<HalvexModule>& module, const HostOptions& options, std::ostream& out,
            std::ostream& err) {
  if (!module.ok()) {
    reportError(err, module.failure());
    return kExitUnknown;
  }
  std::vector<DeviceRecord> devices;
  std::optional<Failure> failure;
  {
    const Enumeration enumeration = enumerateDevices(module.value(), !options.noLog);
    devices = describeDevices(enumeration.deviceList());
    if (options.tree || options.json) addHubFacts(devices);
    failure = enumeration.failure;
  }
  if (options.json) {
    nlohmann::ordered_json document = deviceListJson(devices);
    if (failure) document["error"] = errorJson(*failure);
    printJson(document, out);
  } else if (!devices.empty() || !failure) {
    // What was read before a failure is still worth seeing.
    if (options.tree) {
      printDeviceTree(devices, out);
    } else {
      printDeviceTable(devices, out);
    }
  }
  if (failure) {
    reportError(err, *failure);
    return kExitUnknown;
  }
  return kExitOk;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
