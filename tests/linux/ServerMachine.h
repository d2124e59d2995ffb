#pragma once

#include "UsbTestbed.h"

// A server's USB as the tests emulate it. Three buses on two controllers:
//
//   0000:00:14.0 (xHCI)
//     usb1  USB 2 root hub, 4 ports
//       1-1    USB 2 hub (05e3:0610), 4 ports
//         1-1.1  keyboard, low speed, two HID interfaces
//         1-1.3  flash drive, deauthorized
//         1-1.4  serial adapter that no driver has claimed
//       1-4    receiver without any strings of its own (046d:c52b)
//     usb2  SuperSpeed root hub, 4 ports
//       2-1    USB 3 hub (05e3:0626), 4 ports
//         2-1.2  flash drive, SuperSpeed
//   0000:00:1a.0 (EHCI)
//     usb3  USB 2 root hub, 2 ports
//       3-1    integrated hub without strings (8087:0024), 6 ports
//         3-1.6  network adapter without a configuration
namespace ServerMachine {

constexpr const char* kUsb2Hub = "1-1";
constexpr const char* kUsb3Hub = "2-1";
constexpr const char* kUsb2RootHub = "usb1";
constexpr const char* kDeauthorized = "1-1.3";

void build(UsbTestbed& testbed);

}  // namespace ServerMachine
