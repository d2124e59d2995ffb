#include "linux/RecordBuilder.h"

#include <set>

#include "HubLayout.h"
#include "HubLimits.h"
#include "RecordTexts.h"
#include "linux/SysfsText.h"
#include "ludrel/RecordNumbers.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr int kHubClass = 0x09;
constexpr int kMiscellaneousClass = 0xEF;

// What a device of a USB class is called, by base class code.
struct ClassDescription {
  int code;
  const char* description;
};
constexpr ClassDescription kClassDescriptions[] = {
    {0x01, "USB Audio Device"},
    {0x02, "USB Communications Device"},
    {0x03, "USB Input Device"},
    {0x05, "USB Physical Interface Device"},
    {0x06, "USB Imaging Device"},
    {0x07, "USB Printing Support"},
    {0x08, "USB Mass Storage Device"},
    {kHubClass, "Generic USB Hub"},
    {0x0A, "USB CDC Data Device"},
    {0x0B, "USB Smart Card Reader"},
    {0x0D, "USB Content Security Device"},
    {0x0E, "USB Video Device"},
    {0x0F, "USB Personal Healthcare Device"},
    {0x10, "USB Audio/Video Device"},
    {0x11, "USB Billboard Device"},
    {0x12, "USB Type-C Bridge"},
    {0xDC, "USB Diagnostic Device"},
    {0xE0, "USB Wireless Controller"},
    {0xFE, "USB Application-Specific Device"},
    {0xFF, "USB Vendor-Specific Device"},
};
constexpr const char* kCompositeDescription = "USB Composite Device";
constexpr const char* kPlainDescription = "USB Device";

std::string attribute(const SysfsAttributes& attributes, const char* name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? std::string() : attributeText(found->second);
}

std::optional<int> number(const SysfsAttributes& attributes, const char* name, bool hex) {
  const auto found = attributes.find(name);
  if (found == attributes.end()) return std::nullopt;
  return hex ? hexAttribute(found->second) : decimalAttribute(found->second);
}

const char* classDescription(int code) {
  for (const ClassDescription& entry : kClassDescriptions) {
    if (entry.code == code) return entry.description;
  }
  return nullptr;
}

// A device names its own class, or leaves it to its interfaces: one kind of interface names
// the device, several make it composite.
std::string description(const SysfsUsbDevice& device, int deviceClass) {
  if (deviceClass != 0 && deviceClass != kMiscellaneousClass) {
    const char* text = classDescription(deviceClass);
    return text != nullptr ? text : kPlainDescription;
  }
  std::set<int> interfaceClasses;
  for (const SysfsInterface& interface : device.interfaces) {
    if (interface.interfaceClass) {
      if (const std::optional<int> code = hexAttribute(*interface.interfaceClass)) {
        interfaceClasses.insert(*code);
      }
    }
  }
  if (interfaceClasses.size() > 1) return kCompositeDescription;
  if (interfaceClasses.size() == 1) {
    const char* text = classDescription(*interfaceClasses.begin());
    if (text != nullptr) return text;
  }
  return kPlainDescription;
}

std::int32_t deviceStatus(const SysfsUsbDevice& device) {
  if (number(device.attributes, "authorized", false).value_or(1) == 0) {
    return LinuxDeviceStatus::kDeauthorized;
  }
  if (number(device.attributes, "bConfigurationValue", false).value_or(0) == 0) {
    return LinuxDeviceStatus::kNotConfigured;
  }
  for (const SysfsInterface& interface : device.interfaces) {
    if (!interface.driver.empty()) return LinuxDeviceStatus::kWorking;
  }
  return LinuxDeviceStatus::kNoDriver;
}

std::int32_t deviceType(const SysfsUsbDevice& device, int deviceClass) {
  if (device.place.ports.empty()) return DeviceType::kRootHub;
  return deviceClass == kHubClass ? DeviceType::kExternalHub : DeviceType::kOtherDevice;
}

// A serial number names a device instance only when it is plain printable ASCII without a
// comma; otherwise the device's place does.
bool isUsableSerial(const std::string& serial) {
  if (serial.empty()) return false;
  for (const char c : serial) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || c == ',') return false;
  }
  return true;
}

std::string portPath(const DevicePlace& place) {
  std::string path;
  for (const int port : place.ports) path += (path.empty() ? "" : ".") + std::to_string(port);
  return path;
}

std::string rootHubName(const Usb_Device& record) {
  return isSuperSpeed(record.sSpeed) ? "USB Root Hub (USB 3.0)" : "USB Root Hub";
}

// The kernel never reports more ports than a hub descriptor can count, but sysfs may be a stand-in.
// A device that claims more reports none and, when it seemed to work, the error status: its
// users walk every port, and a hub without port checks must not count as a pass.
void refuseImpossiblePortCount(Usb_Device& record) {
  const int most =
      isSuperSpeed(record.sSpeed) ? HubLimits::kMostSuperSpeedPorts : HubLimits::kMostPorts;
  if (record.nNumofPorts <= most) return;
  record.nNumofPorts = 0;
  if (record.nDevStatus == LinuxDeviceStatus::kWorking) {
    record.nDevStatus = LinuxDeviceStatus::kNoDriver;
  }
}

// The numbers of the record, and its type and status.
void readNumbers(const SysfsUsbDevice& device, Usb_Device& record) {
  const SysfsAttributes& attributes = device.attributes;
  const int deviceClass = number(attributes, "bDeviceClass", true).value_or(0);
  record.nBusNumber = number(attributes, "busnum", false).value_or(device.place.bus);
  record.nDevAddress = number(attributes, "devnum", false).value_or(0);
  record.nDevStatus = deviceStatus(device);
  record.nDevType = deviceType(device, deviceClass);
  record.nNumofPorts = number(attributes, "maxchild", false).value_or(0);
  record.nPortNumber = device.place.ports.empty() ? 0 : device.place.ports.back();
  record.nidVendor = number(attributes, "idVendor", true).value_or(0);
  record.nidProduct = number(attributes, "idProduct", true).value_or(0);
  record.nbcdDevice = number(attributes, "bcdDevice", true).value_or(0);
  record.bIgnore = record.nDevStatus == LinuxDeviceStatus::kDeauthorized;
  record.bRemovable = trimmedAttribute(attribute(attributes, "removable")) == "removable";
  record.sSpeed = trimmedAttribute(attribute(attributes, "speed"));
  refuseImpossiblePortCount(record);
  record.sUsbVersion = trimmedAttribute(attribute(attributes, "version"));
  record.sFirmwareRev = RecordTexts::firmwareRevision(record.nbcdDevice);
  record.sDevClass = formatted("%02x", deviceClass);
  record.sDevSubClass = formatted("%02x", number(attributes, "bDeviceSubClass", true).value_or(0));
  record.sDevDesc =
      record.nDevType == DeviceType::kRootHub ? "USB Root Hub" : description(device, deviceClass);
}

// The device's own strings, usb.ids for those it lacks.
void nameDevice(const SysfsUsbDevice& device, const NameLookup& lookup, Usb_Device& record) {
  record.sProductName = attribute(device.attributes, "product");
  record.sManufacturer = attribute(device.attributes, "manufacturer");
  record.sSerialNumber = attribute(device.attributes, "serial");
  UsbIdNames names;
  if (record.sProductName.empty() || record.sManufacturer.empty()) {
    names = lookup(record.nidVendor, record.nidProduct);
  }
  if (record.sManufacturer.empty()) record.sManufacturer = names.vendor;
  record.sDevName = record.sProductName.empty() ? names.product : record.sProductName;
  if (record.nDevType == DeviceType::kRootHub) record.sDevName = rootHubName(record);
  record.sFriendlyName = record.sDevName;
  record.sFallbackName = RecordTexts::fallbackName(record.nidVendor, record.nidProduct);
}

// Where the device sits and the texts that identify it there.
void placeDevice(const SysfsUsbDevice& device, Usb_Device& record) {
  const std::string ids = formatted("VID_%04X&PID_%04X", record.nidVendor, record.nidProduct);
  record.sHardwareId = "USB\\" + ids + formatted("&REV_%04X", record.nbcdDevice);
  const bool serialNamesIt = isUsableSerial(record.sSerialNumber);
  record.sDevInstanceId =
      "USB\\" + ids + "\\" + (serialNamesIt ? record.sSerialNumber : device.name);
  record.sLocation = device.name;
  record.sParentLocation = device.parentName;
  record.sPortPath = portPath(device.place);
  for (const SysfsInterface& interface : device.interfaces) {
    if (!interface.driver.empty()) {
      record.sService = interface.driver;
      break;
    }
  }
  if (DeviceType::isHub(record.nDevType)) {
    if (record.nDevAddress > 0) {
      record.sDevDescriptor = usbfsNodePath(record.nBusNumber, record.nDevAddress);
    }
    record.sAddlHWInfo = RecordTexts::portCountInfo(record.nNumofPorts);
  }
  const std::string name = record.sDevName.empty() ? "" : " " + record.sDevName;
  record.sDevKey =
      formatted("%04x:%04x", record.nidVendor, record.nidProduct) + name + " (" + device.name + ")";
}

}  // namespace

Usb_Device usbDeviceRecord(const SysfsUsbDevice& device, const NameLookup& lookup) {
  Usb_Device record;
  readNumbers(device, record);
  nameDevice(device, lookup, record);
  placeDevice(device, record);
  return record;
}

Usb_Device controllerRecord(const SysfsController& controller, const Usb_Device& rootHub) {
  Usb_Device record;
  record.nBusNumber = rootHub.nBusNumber;
  // Its root hub exists only while the controller's driver is bound: it works.
  record.nDevStatus = LinuxDeviceStatus::kWorking;
  record.nDevType = DeviceType::kHostController;
  // The root hub's strings name the controller: "xHCI Host Controller", "Linux 6.1.0 xhci-hcd".
  record.sProductName = rootHub.sProductName;
  record.sDevName = rootHub.sProductName.empty() ? "USB Host Controller" : rootHub.sProductName;
  record.sFriendlyName = record.sDevName;
  record.sDevDesc = record.sDevName;
  record.sManufacturer = rootHub.sManufacturer;
  record.sService = controller.driver;
  record.sLocation = controller.name;
  record.sParentLocation = controller.parentName;

  // "PCI\VEN_8086&DEV_A36D\0000:00:14.0"; a bus without vendor and device IDs leaves them out.
  std::string instanceId = controller.subsystem.empty() ? "CONTROLLER" : controller.subsystem;
  for (char& c : instanceId) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  instanceId += "\\";
  const std::optional<int> vendor = number(controller.attributes, "vendor", true);
  const std::optional<int> device = number(controller.attributes, "device", true);
  if (vendor && device) {
    record.nidVendor = *vendor;
    record.nidProduct = *device;
    instanceId += formatted("VEN_%04X&DEV_%04X", *vendor, *device) + "\\";
  }
  record.sDevInstanceId = instanceId + controller.name;
  return record;
}

}  // namespace Ludrel
}  // namespace KestraDiags
