#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "linux/DeviceNames.h"

namespace KestraDiags {
namespace Ludrel {

// Attribute texts as sysfs holds them, newline included, by attribute name; an attribute that
// the device does not have is absent.
using SysfsAttributes = std::map<std::string, std::string>;

// One interface of a device's active configuration.
struct SysfsInterface {
  std::string name;                           // "1-1:1.0"
  std::optional<std::string> interfaceClass;  // bInterfaceClass
  std::string driver;                         // the bound driver's name, empty when none is bound
};

// One USB device as sysfs describes it.
struct SysfsUsbDevice {
  std::string name;  // "usb1", "1-1.4"
  DevicePlace place;
  std::string parentName;  // the hub it is on ("1-1" for "1-1.4"), a root hub's controller
  SysfsAttributes attributes;
  std::vector<SysfsInterface> interfaces;
};

// The host controller a root hub hangs off, such as a PCI function.
struct SysfsController {
  std::string name;            // "0000:00:14.0"
  std::string parentName;      // "pci0000:00"
  std::string subsystem;       // "pci"
  std::string driver;          // "xhci_hcd"
  SysfsAttributes attributes;  // "vendor" and "device" where the bus has them
};

}  // namespace Ludrel
}  // namespace KestraDiags
