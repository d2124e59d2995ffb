#include "DriveOnHub.h"

namespace DriveOnHub {
namespace {

constexpr const char* kXhci = "0000:00:14.0";

EmulatedDevice hub(const std::string& name, int address) {
  EmulatedDevice device;
  device.name = name;
  device.controller = kXhci;
  device.address = address;
  device.deviceClass = 0x09;
  device.ports = 4;
  device.interfaces = {{0x09, 0, 0, "hub"}};
  return device;
}

}  // namespace

void build(UsbTestbed& testbed) {
  testbed.add(EmulatedController{kXhci, "pci0000:00", 0x8086, 0xA36D, "xhci_hcd"});
  testbed.add(hub("usb1", 1));
  testbed.add(hub("1-2", 2));
  EmulatedDevice drive;
  drive.name = "1-2.3";
  drive.address = 3;
  drive.vendor = 0x0781;
  drive.product = 0x5567;
  drive.productName = "Cruzer Blade";
  drive.interfaces = {{0x08, 0x06, 0x50, "usb-storage"}};
  testbed.add(drive);
}

}  // namespace DriveOnHub
