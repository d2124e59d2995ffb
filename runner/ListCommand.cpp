#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "CommandLine.h"
#include "HubChildren.h"
#include "ModuleDevices.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// One line per device in library order, under a header line.
void printDeviceTable(const std::vector<DeviceRecord>& devices, std::ostream& out) {
  TextTable table({"NAME", "CLASS", "STATUS", "ID", "LOCATION", "PARENT LOCATION", "DESCRIPTOR",
                   "MANUFACTURER", "SERIAL", "FIRMWARE"});
  for (const DeviceRecord& device : devices) {
    table.addRow({device.name, device.deviceClass, deviceStatusName(device.status),
                  usbIdText(device.usbId), device.location, device.parentLocation,
                  device.descriptor, device.manufacturer, device.serialNumber,
                  device.firmwareRevision});
  }
  table.print(out);
}

// list --tree: the devices by parent location, roots first, each child indented under its
// parent, siblings in library order.

bool hasParentIn(const DeviceRecord& device, const std::vector<DeviceRecord>& devices) {
  for (const DeviceRecord& other : devices) {
    if (isChildOf(device, other)) return true;
  }
  return false;
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

// "1d6b", or null where the ID is not known.
nlohmann::ordered_json idJson(const std::optional<UsbId>& id, std::uint16_t UsbId::*part) {
  return id ? nlohmann::ordered_json(hexId((*id).*part)) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json deviceJson(const DeviceRecord& device) {
  nlohmann::ordered_json hubCache = nlohmann::ordered_json::object();
  for (const auto& [port, key] : device.portKeys) hubCache[std::to_string(port)] = key;
  return {
      {"name", device.name},
      {"class", device.deviceClass},
      {"status", device.status},
      {"statusName", deviceStatusName(device.status)},
      {"vendorId", idJson(device.usbId, &UsbId::vendor)},
      {"productId", idJson(device.usbId, &UsbId::product)},
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

// Keeps the devices that --location and --id pick.
void keepPicked(std::vector<DeviceRecord>& devices, const HostOptions& options) {
  const std::optional<UsbIdFilter> id = parseUsbIdFilter(options.idFilter);
  devices.erase(
      std::remove_if(devices.begin(), devices.end(),
                     [&](const DeviceRecord& device) {
                       return (!options.location.empty() && device.location != options.location) ||
                              (id && !id->matches(device.usbId));
                     }),
      devices.end());
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
    addLibraryFacts(devices, options.tree || options.json ? PortKeys::Read : PortKeys::Skip);
    keepPicked(devices, options);
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
