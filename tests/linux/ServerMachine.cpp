#include "ServerMachine.h"

#include <vector>

namespace ServerMachine {
namespace {

constexpr const char* kXhci = "0000:00:14.0";
constexpr const char* kEhci = "0000:00:1a.0";
using Interfaces = std::vector<EmulatedInterface>;
const Interfaces kHub = {{0x09, 0, 0, "hub"}};
const Interfaces kKeyboard = {{0x03, 1, 1, "usbhid"}, {0x03, 0, 0, "usbhid"}};
const Interfaces kReceiver = {
    {0x03, 1, 1, "usbhid"}, {0x03, 1, 2, "usbhid"}, {0x03, 0, 0, "usbhid"}};
const Interfaces kUnclaimedDrive = {{0x08, 6, 0x50, ""}};
const Interfaces kUnclaimedSerial = {{0xFF, 0xFF, 0xFF, ""}};
const Interfaces kDrive = {{0x08, 6, 0x50, "usb-storage"}};
const Interfaces kUnclaimedNetwork = {{0xFF, 0xFF, 0, ""}};

// Parents before children, in the order of the picture in ServerMachine.h. Fields: name,
// controller (root hubs only), address, vendor, product, bcdDevice, bcdUsb, class, protocol,
// manufacturer, product, serial, speed, ports, authorized, configured, interfaces.
const EmulatedDevice kDevices[] = {
    {"usb1", kXhci, 1, 0x1D6B, 0x0002, 0x0601, 0x0200, 0x09, 1, "Linux 6.1.0 xhci-hcd",
     "xHCI Host Controller", kXhci, "480", 4, true, true, kHub},
    {kUsb2Hub, "", 2, 0x05E3, 0x0610, 0x0656, 0x0200, 0x09, 1, "GenesysLogic", "USB2.0 Hub", "",
     "480", 4, true, true, kHub},
    {"1-1.1", "", 3, 0x413C, 0x2113, 0x0110, 0x0110, 0, 0, "Dell", "Dell KB216 Wired Keyboard", "",
     "1.5", 0, true, true, kKeyboard},
    {kDeauthorized, "", 4, 0x0781, 0x5567, 0x0126, 0x0200, 0, 0, "SanDisk", "Cruzer Blade",
     "4C530001230812115283", "480", 0, false, false, kUnclaimedDrive},
    {"1-1.4", "", 6, 0x0403, 0x6001, 0x0600, 0x0200, 0, 0, "FTDI", "FT232R USB UART", "A50285BI",
     "12", 0, true, true, kUnclaimedSerial},
    {"1-4", "", 5, 0x046D, 0xC52B, 0x1211, 0x0200, 0, 0, "", "", "", "12", 0, true, true,
     kReceiver},
    {"usb2", kXhci, 1, 0x1D6B, 0x0003, 0x0601, 0x0300, 0x09, 3, "Linux 6.1.0 xhci-hcd",
     "xHCI Host Controller", kXhci, "5000", 4, true, true, kHub},
    {kUsb3Hub, "", 2, 0x05E3, 0x0626, 0x0656, 0x0310, 0x09, 3, "GenesysLogic", "USB3.1 Hub", "",
     "5000", 4, true, true, kHub},
    {"2-1.2", "", 3, 0x0781, 0x5583, 0x0100, 0x0320, 0, 0, "SanDisk", "Ultra Fit",
     "4C530001160529111343", "5000", 0, true, true, kDrive},
    {"usb3", kEhci, 1, 0x1D6B, 0x0002, 0x0601, 0x0200, 0x09, 1, "Linux 6.1.0 ehci_hcd",
     "EHCI Host Controller", kEhci, "480", 2, true, true, kHub},
    {"3-1", "", 2, 0x8087, 0x0024, 0x0000, 0x0200, 0x09, 1, "", "", "", "480", 6, true, true, kHub},
    {"3-1.6", "", 3, 0x0BDA, 0x8153, 0x3000, 0x0200, 0, 0, "Realtek", "USB 10/100/1000 LAN",
     "000001", "480", 0, true, false, kUnclaimedNetwork},
};

}  // namespace

void build(UsbTestbed& testbed) {
  testbed.add(EmulatedController{kXhci, "pci0000:00", 0x8086, 0xA36D, "xhci_hcd"});
  testbed.add(EmulatedController{kEhci, "pci0000:00", 0x8086, 0x1E2D, "ehci-pci"});
  for (const EmulatedDevice& device : kDevices) testbed.add(device);
}

}  // namespace ServerMachine
