#include "linux/LinuxBackend.h"

#include <algorithm>
#include <set>

#include "HubLayout.h"
#include "PortStatus.h"
#include "linux/DeviceNames.h"
#include "linux/HubControl.h"
#include "linux/LinuxFailures.h"
#include "linux/SysfsReader.h"
#include "linux/SysfsText.h"
#include "linux/UdevEvents.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// Each bus in turn: its controller when first met, its root hub, then the devices below it
// depth first, ports in ascending order.
std::vector<Usb_Device> inHandOutOrder(std::vector<SysfsUsbDevice>& devices,
                                       const NameLookup& lookup) {
  std::sort(devices.begin(), devices.end(),
            [](const SysfsUsbDevice& a, const SysfsUsbDevice& b) { return a.place < b.place; });
  std::vector<Usb_Device> records;
  std::set<std::string> controllers;
  for (const SysfsUsbDevice& device : devices) {
    Usb_Device record = usbDeviceRecord(device, lookup);
    if (device.place.ports.empty()) {
      const SysfsController controller = readController(device.name);
      if (controllers.insert(controller.name).second) {
        records.push_back(controllerRecord(controller, record));
      }
    }
    records.push_back(std::move(record));
  }
  return records;
}

void linkParentInstanceIds(std::vector<Usb_Device>& records) {
  std::map<std::string, std::string> instanceIds;
  for (const Usb_Device& record : records) instanceIds[record.sLocation] = record.sDevInstanceId;
  for (Usb_Device& record : records) {
    const auto parent = instanceIds.find(record.sParentLocation);
    if (parent != instanceIds.end()) record.sParentInstanceId = parent->second;
  }
}

}  // namespace

std::string LinuxBackend::name() const { return "linux"; }

NameLookup LinuxBackend::nameLookup() {
  return [this](int vendor, int product) {
    if (!m_usbIds) m_usbIds = readUsbIdsDatabase();
    if (!*m_usbIds) return UsbIdNames();
    return findUsbIdNames(**m_usbIds, vendor, product);
  };
}

Result<DeviceList> LinuxBackend::collectDevices() {
  Result<std::vector<SysfsUsbDevice>> found = readUsbDevices();
  if (!found.ok()) return found.failure();
  std::vector<Usb_Device> records = inHandOutOrder(found.value(), nameLookup());
  linkParentInstanceIds(records);
  m_hubNamesByNode.clear();
  m_keysByName.clear();
  for (const Usb_Device& record : records) {
    if (!record.sDevDescriptor.empty()) m_hubNamesByNode[record.sDevDescriptor] = record.sLocation;
    m_keysByName[record.sLocation] = record.sDevKey;
  }
  return DeviceList(std::make_shared<const std::vector<Usb_Device>>(std::move(records)));
}

void LinuxBackend::completeRecord(std::size_t, Usb_Device&) {}

Result<std::string> LinuxBackend::hubName(const std::string& hub) {
  const auto known = m_hubNamesByNode.find(hub);
  if (known != m_hubNamesByNode.end()) return known->second;
  const auto lookedUp = m_hubNamesLookedUp.find(hub);
  if (lookedUp != m_hubNamesLookedUp.end()) return lookedUp->second;
  const std::optional<BusAddress> node = parseUsbfsNodePath(hub);
  if (!node) return notAUsbfsNodeFailure(hub);
  // A finder that did not enumerate looks the hub up by its bus and address.
  Result<std::vector<SysfsUsbDevice>> devices = readUsbDevices();
  if (!devices.ok()) return devices.failure();
  for (const SysfsUsbDevice& device : devices.value()) {
    const auto bus = device.attributes.find("busnum");
    const auto address = device.attributes.find("devnum");
    if (bus != device.attributes.end() && address != device.attributes.end() &&
        decimalAttribute(bus->second) == node->bus &&
        decimalAttribute(address->second) == node->address) {
      return m_hubNamesLookedUp[hub] = device.name;
    }
  }
  return noSuchHubFailure(hub);
}

Result<bool> LinuxBackend::portKey(const std::string& hub, int port, std::string& key) {
  const Result<std::string> name = hubName(hub);
  if (!name.ok()) return name.failure();
  const std::optional<DevicePlace> place = parseDeviceName(name.value());
  if (port < 1 || !place) return false;
  const std::string childName = childDeviceName(*place, port);
  // A hub of the last enumeration: its ports as that enumeration found them, without reading
  // sysfs a second time.
  if (m_hubNamesByNode.count(hub) != 0) {
    const auto child = m_keysByName.find(childName);
    if (child == m_keysByName.end()) return false;
    key = child->second;
    return true;
  }
  const std::optional<SysfsUsbDevice> child = readUsbDevice(childName);
  if (!child) return false;
  key = usbDeviceRecord(*child, nameLookup()).sDevKey;
  return true;
}

Result<int> LinuxBackend::overCurrentState(const std::string& hub, int port, void* handle) {
  const Result<StatusWords> words = readPortStatus(hub, port, handle);
  if (!words.ok()) return words.failure();
  return overCurrentAnswer(words.value().status);
}

Result<PortStatus> LinuxBackend::portStatus(const std::string& hub, int port) {
  const Result<std::string> name = hubName(hub);
  if (!name.ok()) return name.failure();
  const Result<StatusWords> words = readPortStatus(hub, port, nullptr);
  if (!words.ok()) return words.failure();
  const std::string directory = std::string(kUsbDevicesDirectory) + "/" + name.value();
  PortStatus answer;
  answer.statusWord = words.value().status;
  answer.changeWord = words.value().change;
  answer.superSpeed =
      isSuperSpeed(trimmedAttribute(readSysfsAttribute(directory + "/speed").value_or("")));
  answer.flags = decodePortStatus(*answer.statusWord, *answer.changeWord, answer.superSpeed);
  // Recent kernels count each over-current of a port; older ones have no such file.
  const std::optional<std::string> count =
      readSysfsAttribute(directory + "/" + hubInterfaceName(name.value()) + "/" + name.value() +
                         "-port" + std::to_string(port) + "/over_current_count");
  if (const std::optional<int> number = count ? decimalAttribute(*count) : std::nullopt) {
    answer.overCurrentCount = static_cast<std::uint32_t>(*number);
  }
  return answer;
}

Result<HubStatus> LinuxBackend::hubStatus(const std::string& hub) {
  const Result<StatusWords> words = readHubStatus(hub);
  if (!words.ok()) return words.failure();
  return decodeHubStatus(words.value().status, words.value().change);
}

Result<std::shared_ptr<UsbEventSource>> LinuxBackend::openEvents() { return UdevEvents::open(); }

}  // namespace Ludrel
}  // namespace KestraDiags
