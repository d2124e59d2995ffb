#include "linux/SysfsReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

#include "linux/LinuxFailures.h"
#include "linux/SysfsText.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// The attributes a record is made of; sysfs has more. The first six are also in the device
// descriptor, which one read of "descriptors" gives.
constexpr const char* kDescribedAttributes[] = {
    "idVendor", "idProduct", "bcdDevice", "bDeviceClass", "bDeviceSubClass", "version",
};
constexpr const char* kOtherDeviceAttributes[] = {
    "manufacturer", "product", "serial",    "busnum",     "devnum",
    "maxchild",     "speed",   "removable", "authorized", "bConfigurationValue",
};
constexpr const char* kControllerAttributes[] = {"vendor", "device"};

// The identity attribute every USB device has; without it the device is gone.
constexpr const char* kPresenceAttribute = "idVendor";

// sysfs attributes are at most a page long.
constexpr std::size_t kLongestAttribute = 4096;

std::string pathIn(const std::string& directory, const std::string& name) {
  return directory + "/" + name;
}

// The attribute's text, or its first `longest` bytes.
std::optional<std::string> readAttribute(const std::string& path,
                                         std::size_t longest = kLongestAttribute) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  std::string text(longest, '\0');
  std::size_t length = 0;
  while (length < text.size()) {
    const ssize_t count = ::read(descriptor, &text[length], text.size() - length);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    length += static_cast<std::size_t>(count);
  }
  ::close(descriptor);
  text.resize(length);
  return text;
}

template <std::size_t N>
void readAttributes(const std::string& directory, const char* const (&names)[N],
                    SysfsAttributes& attributes) {
  for (const char* name : names) {
    if (std::optional<std::string> text = readAttribute(pathIn(directory, name))) {
      attributes.emplace(name, std::move(*text));
    }
  }
}

// The attributes of kDescribedAttributes, written as sysfs writes them, from the device
// descriptor at the start of "descriptors" (its words little-endian, as on the bus). False when
// the file is missing or does not start with a device descriptor.
bool readDescribedAttributes(const std::string& directory, SysfsAttributes& attributes) {
  constexpr std::size_t kDeviceDescriptorLength = 18;
  const std::optional<std::string> raw =
      readAttribute(pathIn(directory, "descriptors"), kDeviceDescriptorLength);
  if (!raw || raw->size() < kDeviceDescriptorLength) return false;
  const auto byte = [&raw](std::size_t at) { return static_cast<unsigned char>((*raw)[at]); };
  const auto word = [&byte](std::size_t at) { return byte(at) | (byte(at + 1) << 8); };
  if (byte(0) < kDeviceDescriptorLength || byte(1) != 1) return false;
  attributes["version"] = formatted("%2x.%02x\n", word(2) >> 8, word(2) & 0xFF);
  attributes["bDeviceClass"] = formatted("%02x\n", byte(4));
  attributes["bDeviceSubClass"] = formatted("%02x\n", byte(5));
  attributes["idVendor"] = formatted("%04x\n", word(8));
  attributes["idProduct"] = formatted("%04x\n", word(10));
  attributes["bcdDevice"] = formatted("%04x\n", word(12));
  return true;
}

std::string linkTarget(const std::string& path) {
  char target[4096];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::string();
  return std::string(target, static_cast<std::size_t>(length));
}

std::string lastComponent(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name of the driver bound to the device or interface in directory, empty when none is.
std::string driverName(const std::string& directory) {
  return lastComponent(linkTarget(pathIn(directory, "driver")));
}

// The names of a root hub's controller and of the controller's parent. The root hub's link in
// the devices directory leads through them: "../../../devices/pci0000:00/0000:00:14.0/usb1".
std::pair<std::string, std::string> controllerNames(const std::string& rootHubName) {
  std::string target = linkTarget(pathIn(kUsbDevicesDirectory, rootHubName));
  std::pair<std::string, std::string> names;
  const std::size_t hubSlash = target.find_last_of('/');
  if (hubSlash == std::string::npos) return names;
  target.resize(hubSlash);
  names.first = lastComponent(target);
  const std::size_t controllerSlash = target.find_last_of('/');
  if (controllerSlash != std::string::npos) {
    names.second = lastComponent(target.substr(0, controllerSlash));
  }
  return names;
}

std::string parentName(const std::string& name, const DevicePlace& place) {
  if (place.ports.empty()) return controllerNames(name).first;
  DevicePlace parent = place;
  parent.ports.pop_back();
  return deviceName(parent);
}

std::optional<SysfsUsbDevice> readDevice(const std::string& name, const DevicePlace& place) {
  const std::string directory = pathIn(kUsbDevicesDirectory, name);
  SysfsUsbDevice device;
  device.name = name;
  device.place = place;
  if (!readDescribedAttributes(directory, device.attributes)) {
    readAttributes(directory, kDescribedAttributes, device.attributes);
  }
  if (device.attributes.count(kPresenceAttribute) == 0) return std::nullopt;
  readAttributes(directory, kOtherDeviceAttributes, device.attributes);
  device.parentName = parentName(name, place);
  return device;
}

SysfsInterface readInterface(const std::string& name) {
  const std::string directory = pathIn(kUsbDevicesDirectory, name);
  SysfsInterface interface;
  interface.name = name;
  interface.interfaceClass = readAttribute(pathIn(directory, "bInterfaceClass"));
  interface.driver = driverName(directory);
  return interface;
}

}  // namespace

Result<std::vector<SysfsUsbDevice>> readUsbDevices() {
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(kUsbDevicesDirectory), &::closedir);
  if (!directory) {
    if (errno == ENOENT) return noUsbBusFailure(kUsbDevicesDirectory, false);
    return sysfsReadFailure(kUsbDevicesDirectory, errno);
  }
  std::map<std::string, SysfsUsbDevice> devices;
  std::vector<std::pair<std::string, std::string>> interfaces;  // (device, interface)
  while (const dirent* entry = ::readdir(directory.get())) {
    const std::string name = entry->d_name;
    if (const std::optional<DevicePlace> place = parseDeviceName(name)) {
      if (std::optional<SysfsUsbDevice> device = readDevice(name, *place)) {
        devices.emplace(name, std::move(*device));
      }
    } else if (const std::optional<std::string> owner = deviceOfInterface(name)) {
      interfaces.emplace_back(*owner, name);
    }
  }
  // In the order of their names, as readdir gives no order of its own.
  std::sort(interfaces.begin(), interfaces.end());
  for (const auto& [owner, name] : interfaces) {
    const auto device = devices.find(owner);
    if (device != devices.end()) device->second.interfaces.push_back(readInterface(name));
  }
  std::vector<SysfsUsbDevice> list;
  bool anyRootHub = false;
  for (auto& [name, device] : devices) {
    anyRootHub = anyRootHub || device.place.ports.empty();
    list.push_back(std::move(device));
  }
  if (!anyRootHub) return noUsbBusFailure(kUsbDevicesDirectory, true);
  return list;
}

std::optional<SysfsUsbDevice> readUsbDevice(const std::string& name) {
  const std::optional<DevicePlace> place = parseDeviceName(name);
  if (!place) return std::nullopt;
  return readDevice(name, *place);
}

SysfsController readController(const std::string& rootHubName) {
  SysfsController controller;
  std::tie(controller.name, controller.parentName) = controllerNames(rootHubName);
  // The kernel resolves "usb1/.." to the controller's own directory.
  const std::string directory = pathIn(pathIn(kUsbDevicesDirectory, rootHubName), "..");
  controller.subsystem = lastComponent(linkTarget(pathIn(directory, "subsystem")));
  controller.driver = driverName(directory);
  readAttributes(directory, kControllerAttributes, controller.attributes);
  return controller;
}

std::optional<std::string> readSysfsAttribute(const std::string& path) {
  return readAttribute(path);
}

}  // namespace Ludrel
}  // namespace KestraDiags
