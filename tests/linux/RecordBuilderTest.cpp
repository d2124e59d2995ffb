#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "linux/RecordBuilder.h"

using namespace KestraDiags::Ludrel;

namespace {

SysfsInterface interfaceOf(const char* name, const char* interfaceClass, const char* driver) {
  SysfsInterface interface;
  interface.name = name;
  if (interfaceClass != nullptr) interface.interfaceClass = std::string(interfaceClass) + "\n";
  interface.driver = driver;
  return interface;
}

// Sets attributes written "name=value", each with the newline the kernel ends them with.
void set(SysfsAttributes& attributes, std::initializer_list<std::string> lines) {
  for (const std::string& line : lines) {
    attributes[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1) + "\n";
  }
}

// A working device as sysfs shows it; tests change what they are about.
SysfsUsbDevice deviceAt(const std::string& name, const std::string& parentName) {
  SysfsUsbDevice device;
  device.name = name;
  device.place = *parseDeviceName(name);
  device.parentName = parentName;
  set(device.attributes,
      {"idVendor=046d", "idProduct=c52b", "bcdDevice=1211", "busnum=1", "devnum=5", "maxchild=0",
       "authorized=1", "bConfigurationValue=1", "bDeviceClass=00", "bDeviceSubClass=00", "speed=12",
       "version= 2.00", "removable=removable", "manufacturer=Logitech", "product=USB Receiver"});
  device.interfaces = {interfaceOf((name + ":1.0").c_str(), "03", "usbhid")};
  return device;
}

// Counts the look-ups and answers with fixed names.
struct CountingLookup {
  int calls = 0;
  UsbIdNames names;
  NameLookup function() {
    return [this](int, int) {
      ++calls;
      return names;
    };
  }
};

const NameLookup kNoNames = [](int, int) { return UsbIdNames(); };

// Its numbers, names, type, status and node are those of the emulated machine's hub 1-1, where
// the tests of the whole backend check them.
TEST(RecordBuilder, AnExternalUsb2Hub) {
  SysfsUsbDevice hub = deviceAt("1-1", "usb1");
  set(hub.attributes, {"idVendor=05e3", "idProduct=0610", "bcdDevice=0656", "devnum=2",
                       "maxchild=4", "bDeviceClass=09", "speed=480", "removable=unknown",
                       "manufacturer=GenesysLogic", "product=USB2.0 Hub"});
  hub.interfaces = {interfaceOf("1-1:1.0", "09", "hub")};

  const Usb_Device record = usbDeviceRecord(hub, kNoNames);
  EXPECT_EQ(record.nPortNumber, 1);
  EXPECT_EQ(record.sFirmwareRev, "6.56");
  EXPECT_EQ(record.sDevDesc, "Generic USB Hub");
  EXPECT_EQ(record.sDevInstanceId, "USB\\VID_05E3&PID_0610\\1-1");
  EXPECT_EQ(record.sHardwareId, "USB\\VID_05E3&PID_0610&REV_0656");
  EXPECT_EQ(record.sDevKey, "05e3:0610 USB2.0 Hub (1-1)");
  EXPECT_EQ(record.sLocation, "1-1");
  EXPECT_EQ(record.sPortPath, "1");
  EXPECT_EQ(record.sService, "hub");
  EXPECT_EQ(record.sDevClass, "09");
  EXPECT_EQ(record.sUsbVersion, "2.00");
  EXPECT_FALSE(record.bRemovable);
}

TEST(RecordBuilder, RootHubsAreNamedByTheirSpeed) {
  const std::pair<std::string, const char*> cases[] = {{"480", "USB Root Hub"},
                                                       {"12", "USB Root Hub"},
                                                       {"4999", "USB Root Hub"},
                                                       {"5000", "USB Root Hub (USB 3.0)"},
                                                       {"10000", "USB Root Hub (USB 3.0)"}};
  for (const auto& [speed, name] : cases) {
    SCOPED_TRACE(speed);
    SysfsUsbDevice root = deviceAt("usb2", "0000:00:14.0");
    set(root.attributes, {"idVendor=1d6b", "idProduct=0003", "bcdDevice=0601", "busnum=2",
                          "devnum=1", "maxchild=4", "bDeviceClass=09", "speed=" + speed,
                          "serial=0000:00:14.0", "product=xHCI Host Controller"});
    root.interfaces = {interfaceOf("2-0:1.0", "09", "hub")};

    const Usb_Device record = usbDeviceRecord(root, kNoNames);
    EXPECT_EQ(record.sDevName, name);
    EXPECT_EQ(record.sDevDesc, "USB Root Hub");
    EXPECT_EQ(record.sProductName, "xHCI Host Controller");
    EXPECT_EQ(record.sDevInstanceId, "USB\\VID_1D6B&PID_0003\\0000:00:14.0");
    EXPECT_EQ(record.nPortNumber, 0);
    EXPECT_EQ(record.sPortPath, "");
  }
}

TEST(RecordBuilder, StatusFromAuthorizationConfigurationAndDrivers) {
  struct Case {
    const char* what;
    const char* authorized;  // null: the attribute is missing
    const char* configuration;
    std::vector<const char*> drivers;  // one interface each; "" when none is bound
    int status;
    bool ignored;
  };
  const Case cases[] = {
      {"working", "1\n", "1\n", {"usbhid"}, 0, false},
      {"no authorized attribute", nullptr, "1\n", {"usbhid"}, 0, false},
      {"one of two interfaces claimed", "1\n", "1\n", {"", "usbhid"}, 0, false},
      {"no interface claimed", "1\n", "1\n", {"", ""}, 1, false},
      {"configured without interfaces", "1\n", "1\n", {}, 1, false},
      {"deauthorized", "0\n", "\n", {}, 2, true},
      {"deauthorized wins over the rest", "0\n", "1\n", {"usbhid"}, 2, true},
      {"unconfigured", "1\n", "\n", {}, 4, false},
      {"configuration 0", "1\n", "0\n", {}, 4, false},
      {"no configuration attribute", "1\n", nullptr, {}, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SysfsUsbDevice device = deviceAt("1-1.4", "1-1");
    device.attributes.erase("authorized");
    device.attributes.erase("bConfigurationValue");
    if (c.authorized != nullptr) device.attributes["authorized"] = c.authorized;
    if (c.configuration != nullptr) device.attributes["bConfigurationValue"] = c.configuration;
    device.interfaces.clear();
    for (const char* driver : c.drivers) {
      device.interfaces.push_back(interfaceOf("1-1.4:1.0", "03", driver));
    }
    const Usb_Device record = usbDeviceRecord(device, kNoNames);
    EXPECT_EQ(record.nDevStatus, c.status);
    EXPECT_EQ(record.bIgnore, c.ignored);
  }
}

TEST(RecordBuilder, UsbIdsNamesOnlyWhatTheDeviceLeavesUnnamed) {
  CountingLookup lookup;
  lookup.names = {"Logitech, Inc.", "Unifying Receiver"};

  const Usb_Device named = usbDeviceRecord(deviceAt("1-4", "usb1"), lookup.function());
  EXPECT_EQ(lookup.calls, 0);
  EXPECT_EQ(named.sDevName, "USB Receiver");
  EXPECT_EQ(named.sManufacturer, "Logitech");

  SysfsUsbDevice noProduct = deviceAt("1-4", "usb1");
  noProduct.attributes.erase("product");
  const Usb_Device productLookedUp = usbDeviceRecord(noProduct, lookup.function());
  EXPECT_EQ(lookup.calls, 1);
  EXPECT_EQ(productLookedUp.sDevName, "Unifying Receiver");
  EXPECT_EQ(productLookedUp.sProductName, "");
  EXPECT_EQ(productLookedUp.sManufacturer, "Logitech");
  EXPECT_EQ(productLookedUp.sDevKey, "046d:c52b Unifying Receiver (1-4)");

  SysfsUsbDevice noManufacturer = deviceAt("1-4", "usb1");
  noManufacturer.attributes["manufacturer"] = "\n";
  const Usb_Device vendorLookedUp = usbDeviceRecord(noManufacturer, lookup.function());
  EXPECT_EQ(lookup.calls, 2);
  EXPECT_EQ(vendorLookedUp.sManufacturer, "Logitech, Inc.");
  EXPECT_EQ(vendorLookedUp.sDevName, "USB Receiver");
}

TEST(RecordBuilder, ADeviceNobodyNamesKeepsOnlyItsIds) {
  SysfsUsbDevice device = deviceAt("3-1.2", "3-1");
  device.attributes.erase("product");
  device.attributes.erase("manufacturer");
  set(device.attributes, {"idVendor=5b7d", "idProduct=00a1"});
  const Usb_Device record = usbDeviceRecord(device, kNoNames);
  EXPECT_EQ(record.nPortNumber, 2);
  EXPECT_EQ(record.sPortPath, "1.2");
  EXPECT_EQ(record.sDevName, "");
  EXPECT_EQ(record.sManufacturer, "");
  EXPECT_EQ(record.sFallbackName, "USB Device 5b7d:00a1");
  // Lower-case hexadecimal, as the module's key filter expects.
  EXPECT_EQ(record.sDevKey, "5b7d:00a1 (3-1.2)");
  EXPECT_EQ(record.sDevInstanceId, "USB\\VID_5B7D&PID_00A1\\3-1.2");
}

TEST(RecordBuilder, ASerialNamesTheInstanceOnlyWhenItIsPlainAscii) {
  const std::pair<const char*, const char*> cases[] = {
      {"4C530001230812115283\n", "4C530001230812115283"},
      {"AB CD\n", "AB CD"},
      {"\n", "1-1.2"},
      {"AB,CD\n", "1-1.2"},
      {"A\x01"
       "B\n",
       "1-1.2"},
      {"caf\xC3\xA9\n", "1-1.2"},
  };
  for (const auto& [serial, instance] : cases) {
    SCOPED_TRACE(serial);
    SysfsUsbDevice device = deviceAt("1-1.2", "1-1");
    device.attributes["serial"] = serial;
    EXPECT_EQ(usbDeviceRecord(device, kNoNames).sDevInstanceId,
              std::string("USB\\VID_046D&PID_C52B\\") + instance);
  }
}

TEST(RecordBuilder, DescriptionByDeviceClassOrInterfaces) {
  struct Case {
    const char* deviceClass;
    std::vector<const char*> interfaceClasses;
    const char* description;
  };
  const Case cases[] = {
      {"00\n", {"03"}, "USB Input Device"},
      {"00\n", {"03", "03"}, "USB Input Device"},
      {"00\n", {"03", "08"}, "USB Composite Device"},
      {"ef\n", {"0e", "0e", "01"}, "USB Composite Device"},
      {"ef\n", {"e0"}, "USB Wireless Controller"},
      {"00\n", {"08"}, "USB Mass Storage Device"},
      {"08\n", {"03"}, "USB Mass Storage Device"},  // the device's own class wins
      {"ff\n", {"ff"}, "USB Vendor-Specific Device"},
      {"77\n", {"03"}, "USB Device"},
      {"00\n", {"77"}, "USB Device"},
      {"00\n", {}, "USB Device"},
      {"00\n", {nullptr}, "USB Device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.deviceClass) + " " + std::to_string(c.interfaceClasses.size()));
    SysfsUsbDevice device = deviceAt("1-3", "usb1");
    device.attributes["bDeviceClass"] = c.deviceClass;
    device.interfaces.clear();
    for (const char* interfaceClass : c.interfaceClasses) {
      device.interfaces.push_back(interfaceOf("1-3:1.0", interfaceClass, "usbhid"));
    }
    EXPECT_EQ(usbDeviceRecord(device, kNoNames).sDevDesc, c.description);
  }
}

TEST(RecordBuilder, OnlyHubsHaveADevicePathAndPorts) {
  const Usb_Device record = usbDeviceRecord(deviceAt("1-4", "usb1"), kNoNames);
  EXPECT_EQ(record.nDevType, 3);
  EXPECT_EQ(record.sDevDescriptor, "");
  EXPECT_EQ(record.sAddlHWInfo, "");
  EXPECT_TRUE(record.bRemovable);

  SysfsUsbDevice hubWithoutAddress = deviceAt("1-1", "usb1");
  hubWithoutAddress.attributes["bDeviceClass"] = "09\n";
  hubWithoutAddress.attributes.erase("devnum");
  EXPECT_EQ(usbDeviceRecord(hubWithoutAddress, kNoNames).sDevDescriptor, "");
}

TEST(RecordBuilder, ControllerOfARootHub) {
  SysfsUsbDevice root = deviceAt("usb1", "0000:00:14.0");
  root.attributes["product"] = "xHCI Host Controller\n";
  root.attributes["manufacturer"] = "Linux 6.1.0 xhci-hcd\n";
  const Usb_Device rootHub = usbDeviceRecord(root, kNoNames);

  SysfsController pci;
  pci.name = "0000:00:14.0";
  pci.parentName = "pci0000:00";
  pci.subsystem = "pci";
  pci.driver = "xhci_hcd";
  pci.attributes = {{"vendor", "0x8086\n"}, {"device", "0xa36d\n"}};
  const Usb_Device record = controllerRecord(pci, rootHub);
  EXPECT_EQ(record.nDevType, 0);
  EXPECT_EQ(record.nDevStatus, 0);
  EXPECT_EQ(record.nidVendor, 0x8086);
  EXPECT_EQ(record.nidProduct, 0xA36D);
  EXPECT_EQ(record.sDevName, "xHCI Host Controller");
  EXPECT_EQ(record.sManufacturer, "Linux 6.1.0 xhci-hcd");
  EXPECT_EQ(record.sService, "xhci_hcd");
  EXPECT_EQ(record.sLocation, "0000:00:14.0");
  EXPECT_EQ(record.sParentLocation, "pci0000:00");
  EXPECT_EQ(record.sDevInstanceId, "PCI\\VEN_8086&DEV_A36D\\0000:00:14.0");

  SysfsController platform;
  platform.name = "xhci-hcd.0.auto";
  platform.parentName = "dwc3.0.auto";
  platform.subsystem = "platform";
  root.attributes.erase("product");
  const Usb_Device unnamed = controllerRecord(platform, usbDeviceRecord(root, kNoNames));
  EXPECT_EQ(unnamed.nidVendor, 0);
  EXPECT_EQ(unnamed.sDevName, "USB Host Controller");
  EXPECT_EQ(unnamed.sDevInstanceId, "PLATFORM\\xhci-hcd.0.auto");
}

}  // namespace
