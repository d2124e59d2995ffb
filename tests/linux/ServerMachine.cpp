#include "ServerMachine.h"

namespace ServerMachine {
namespace {

const EmulatedInterface kHubInterface{0x09, 0, 0, "hub"};

EmulatedDevice rootHub(const char* name, const char* controller, int product, int bcdUsb,
                       const char* speed, int ports, const char* manufacturer,
                       const char* productName) {
  EmulatedDevice hub;
  hub.name = name;
  hub.controller = controller;
  hub.address = 1;
  hub.vendor = 0x1D6B;
  hub.product = product;
  hub.bcdDevice = 0x0601;
  hub.bcdUsb = bcdUsb;
  hub.deviceClass = 0x09;
  hub.deviceProtocol = bcdUsb >= 0x0300 ? 3 : 1;
  hub.manufacturer = manufacturer;
  hub.productName = productName;
  hub.serial = controller;
  hub.speed = speed;
  hub.ports = ports;
  hub.interfaces = {kHubInterface};
  return hub;
}

}  // namespace

void build(UsbTestbed& testbed) {
  testbed.add(EmulatedController{"0000:00:14.0", "pci0000:00", 0x8086, 0xA36D, "xhci_hcd"});
  testbed.add(EmulatedController{"0000:00:1a.0", "pci0000:00", 0x8086, 0x1E2D, "ehci-pci"});

  testbed.add(rootHub("usb1", "0000:00:14.0", 0x0002, 0x0200, "480", 4, "Linux 6.1.0 xhci-hcd",
                      "xHCI Host Controller"));
  EmulatedDevice usb2Hub;
  usb2Hub.name = kUsb2Hub;
  usb2Hub.address = 2;
  usb2Hub.vendor = 0x05E3;
  usb2Hub.product = 0x0610;
  usb2Hub.bcdDevice = 0x0656;
  usb2Hub.deviceClass = 0x09;
  usb2Hub.deviceProtocol = 1;
  usb2Hub.manufacturer = "GenesysLogic";
  usb2Hub.productName = "USB2.0 Hub";
  usb2Hub.ports = 4;
  usb2Hub.interfaces = {kHubInterface};
  testbed.add(usb2Hub);

  EmulatedDevice keyboard;
  keyboard.name = "1-1.1";
  keyboard.address = 3;
  keyboard.vendor = 0x413C;
  keyboard.product = 0x2113;
  keyboard.bcdDevice = 0x0110;
  keyboard.bcdUsb = 0x0110;
  keyboard.manufacturer = "Dell";
  keyboard.productName = "Dell KB216 Wired Keyboard";
  keyboard.speed = "1.5";
  keyboard.interfaces = {{0x03, 1, 1, "usbhid"}, {0x03, 0, 0, "usbhid"}};
  testbed.add(keyboard);

  EmulatedDevice deauthorized;
  deauthorized.name = kDeauthorized;
  deauthorized.address = 4;
  deauthorized.vendor = 0x0781;
  deauthorized.product = 0x5567;
  deauthorized.bcdDevice = 0x0126;
  deauthorized.manufacturer = "SanDisk";
  deauthorized.productName = "Cruzer Blade";
  deauthorized.serial = "4C530001230812115283";
  deauthorized.authorized = false;
  deauthorized.configured = false;
  deauthorized.interfaces = {{0x08, 6, 0x50, ""}};
  testbed.add(deauthorized);

  EmulatedDevice withoutDriver;
  withoutDriver.name = kWithoutDriver;
  withoutDriver.address = 6;
  withoutDriver.vendor = 0x0403;
  withoutDriver.product = 0x6001;
  withoutDriver.bcdDevice = 0x0600;
  withoutDriver.manufacturer = "FTDI";
  withoutDriver.productName = "FT232R USB UART";
  withoutDriver.serial = "A50285BI";
  withoutDriver.speed = "12";
  withoutDriver.interfaces = {{0xFF, 0xFF, 0xFF, ""}};
  testbed.add(withoutDriver);

  EmulatedDevice withoutStrings;
  withoutStrings.name = kWithoutStrings;
  withoutStrings.address = 5;
  withoutStrings.vendor = 0x046D;
  withoutStrings.product = 0xC52B;
  withoutStrings.bcdDevice = 0x1211;
  withoutStrings.speed = "12";
  withoutStrings.interfaces = {
      {0x03, 1, 1, "usbhid"}, {0x03, 1, 2, "usbhid"}, {0x03, 0, 0, "usbhid"}};
  testbed.add(withoutStrings);

  testbed.add(rootHub("usb2", "0000:00:14.0", 0x0003, 0x0300, "5000", 4, "Linux 6.1.0 xhci-hcd",
                      "xHCI Host Controller"));
  EmulatedDevice usb3Hub;
  usb3Hub.name = kUsb3Hub;
  usb3Hub.address = 2;
  usb3Hub.vendor = 0x05E3;
  usb3Hub.product = 0x0626;
  usb3Hub.bcdDevice = 0x0656;
  usb3Hub.bcdUsb = 0x0310;
  usb3Hub.deviceClass = 0x09;
  usb3Hub.deviceProtocol = 3;
  usb3Hub.manufacturer = "GenesysLogic";
  usb3Hub.productName = "USB3.1 Hub";
  usb3Hub.speed = "5000";
  usb3Hub.ports = 4;
  usb3Hub.interfaces = {kHubInterface};
  testbed.add(usb3Hub);

  EmulatedDevice drive;
  drive.name = kSuperSpeedDrive;
  drive.address = 3;
  drive.vendor = 0x0781;
  drive.product = 0x5583;
  drive.bcdDevice = 0x0100;
  drive.bcdUsb = 0x0320;
  drive.manufacturer = "SanDisk";
  drive.productName = "Ultra Fit";
  drive.serial = "4C530001160529111343";
  drive.speed = "5000";
  drive.interfaces = {{0x08, 6, 0x50, "usb-storage"}};
  testbed.add(drive);

  testbed.add(rootHub("usb3", "0000:00:1a.0", 0x0002, 0x0200, "480", 2, "Linux 6.1.0 ehci_hcd",
                      "EHCI Host Controller"));
  EmulatedDevice integratedHub;
  integratedHub.name = kIntegratedHub;
  integratedHub.address = 2;
  integratedHub.vendor = 0x8087;
  integratedHub.product = 0x0024;
  integratedHub.bcdDevice = 0x0000;
  integratedHub.deviceClass = 0x09;
  integratedHub.deviceProtocol = 1;
  integratedHub.ports = 6;
  integratedHub.interfaces = {kHubInterface};
  testbed.add(integratedHub);

  EmulatedDevice notConfigured;
  notConfigured.name = kNotConfigured;
  notConfigured.address = 3;
  notConfigured.vendor = 0x0BDA;
  notConfigured.product = 0x8153;
  notConfigured.bcdDevice = 0x3000;
  notConfigured.manufacturer = "Realtek";
  notConfigured.productName = "USB 10/100/1000 LAN";
  notConfigured.serial = "000001";
  notConfigured.configured = false;
  notConfigured.interfaces = {{0xFF, 0xFF, 0, ""}};
  testbed.add(notConfigured);
}

}  // namespace ServerMachine
