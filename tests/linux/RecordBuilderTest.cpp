#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "linux/RecordBuilder.h"

using namespace KestraDiags::Ludrel;

// Records of ordinary devices (root hubs of each speed, each status the kernel's attributes give,
// names from usb.ids) are checked on the emulated machine; these are the inputs it has none of:
// missing attributes, odd serials and classes, partial names.
namespace {

// A working receiver at name as sysfs shows it, then the edits: "name=value" sets an attribute
// (with the kernel's newline), a bare name removes it. One interface for each class given, each
// claimed by the driver given ("" for none); null stands for an interface without a class.
SysfsUsbDevice deviceWith(const std::string& name, std::vector<std::string> edits = {},
                          const std::vector<const char*>& interfaceClasses = {"03"},
                          const std::vector<const char*>& drivers = {"usbhid"}) {
  SysfsUsbDevice device;
  device.name = name;
  device.place = *parseDeviceName(name);
  edits.insert(edits.begin(), {"idVendor=046d", "idProduct=c52b", "devnum=5", "authorized=1",
                               "bConfigurationValue=1", "bDeviceClass=00", "speed=12",
                               "manufacturer=Logitech", "product=USB Receiver"});
  for (const std::string& edit : edits) {
    const std::size_t equals = edit.find('=');
    if (equals == std::string::npos) {
      device.attributes.erase(edit);
    } else {
      device.attributes[edit.substr(0, equals)] = edit.substr(equals + 1) + "\n";
    }
  }
  const std::size_t interfaces = std::max(interfaceClasses.size(), drivers.size());
  for (std::size_t i = 0; i < interfaces; ++i) {
    SysfsInterface interface;
    const char* interfaceClass = i < interfaceClasses.size() ? interfaceClasses[i] : "03";
    if (interfaceClass != nullptr) interface.interfaceClass = std::string(interfaceClass) + "\n";
    interface.driver = i < drivers.size() ? drivers[i] : "usbhid";
    device.interfaces.push_back(interface);
  }
  return device;
}

Usb_Device recordOf(const SysfsUsbDevice& device) {
  return usbDeviceRecord(device, [](int, int) { return UsbIdNames(); });
}

TEST(RecordBuilder, StatusFromAuthorizationConfigurationAndDrivers) {
  struct Case {
    const char* what;
    std::vector<std::string> edits;
    std::vector<const char*> drivers;  // one interface each; "" when none is bound
    int status;
  };
  const Case cases[] = {
      {"no authorized attribute", {"authorized"}, {"usbhid"}, 0},
      {"one of two interfaces claimed", {}, {"", "usbhid"}, 0},
      {"configured without interfaces", {}, {}, 1},
      {"deauthorized", {"authorized=0"}, {"usbhid"}, 2},
      {"configuration 0", {"bConfigurationValue=0"}, {}, 4},
      {"no configuration attribute", {"bConfigurationValue"}, {}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Usb_Device record = recordOf(deviceWith("1-1.4", c.edits, {}, c.drivers));
    EXPECT_EQ(record.nDevStatus, c.status);
    EXPECT_EQ(record.bIgnore, c.status == 2);
  }
}

// usb.ids fills in only the string the device leaves unnamed.
TEST(RecordBuilder, UsbIdsNamesOnlyWhatTheDeviceLeavesUnnamed) {
  const NameLookup lookup = [](int, int) {
    return UsbIdNames{"Logitech, Inc.", "Unifying Receiver"};
  };
  const Usb_Device productLookedUp = usbDeviceRecord(deviceWith("1-4", {"product"}), lookup);
  EXPECT_EQ(productLookedUp.sDevName, "Unifying Receiver");
  EXPECT_EQ(productLookedUp.sProductName, "");
  EXPECT_EQ(productLookedUp.sManufacturer, "Logitech");
  const Usb_Device vendorLookedUp = usbDeviceRecord(deviceWith("1-4", {"manufacturer="}), lookup);
  EXPECT_EQ(vendorLookedUp.sManufacturer, "Logitech, Inc.");
  EXPECT_EQ(vendorLookedUp.sDevName, "USB Receiver");
}

TEST(RecordBuilder, ADeviceNobodyNamesKeepsOnlyItsIds) {
  const Usb_Device record =
      recordOf(deviceWith("3-1.2", {"product", "manufacturer", "idVendor=5b7d", "idProduct=00a1"}));
  EXPECT_EQ(record.sDevName, "");
  EXPECT_EQ(record.sManufacturer, "");
  EXPECT_EQ(record.sFallbackName, "USB Device 5b7d:00a1");
  // Lower-case hexadecimal, as the module's key filter expects.
  EXPECT_EQ(record.sDevKey, "5b7d:00a1 (3-1.2)");
}

TEST(RecordBuilder, ASerialNamesTheInstanceOnlyWhenItIsPlainAscii) {
  const struct {
    const char* serial;
    const char* instance;
  } cases[] = {{"AB CD", "AB CD"}, {"AB,CD", "1-2"}, {"A\001B", "1-2"}, {"caf\xC3\xA9", "1-2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    EXPECT_EQ(recordOf(deviceWith("1-2", {std::string("serial=") + c.serial})).sDevInstanceId,
              std::string("USB\\VID_046D&PID_C52B\\") + c.instance);
  }
}

TEST(RecordBuilder, DescriptionByDeviceClassOrInterfaces) {
  struct Case {
    const char* deviceClass;
    std::vector<const char*> interfaceClasses;  // null: the interface shows no class
    const char* description;
  };
  const Case cases[] = {
      {"00", {"03", "08"}, "USB Composite Device"},
      {"ef", {"0e", "0e", "01"}, "USB Composite Device"},
      {"ef", {"e0"}, "USB Wireless Controller"},
      {"08", {"03"}, "USB Mass Storage Device"},  // the device's own class wins
      {"77", {"03"}, "USB Device"},
      {"00", {"77"}, "USB Device"},
      {"00", {nullptr}, "USB Device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.deviceClass) + " " + std::to_string(c.interfaceClasses.size()));
    const std::string deviceClass = std::string("bDeviceClass=") + c.deviceClass;
    EXPECT_EQ(recordOf(deviceWith("1-3", {deviceClass}, c.interfaceClasses)).sDevDesc,
              c.description);
  }
}

TEST(RecordBuilder, AHubWithoutAnAddressHasNoNode) {
  const Usb_Device record = recordOf(deviceWith("1-1", {"bDeviceClass=09", "devnum"}));
  EXPECT_EQ(record.nDevType, 2);
  EXPECT_EQ(record.sDevDescriptor, "");
}

// More ports than a hub descriptor can count come only from a stand-in sysfs: such a hub reports
// none and the error status, so that no port walk starts and none passes it unchecked.
TEST(RecordBuilder, AHubClaimsNoMorePortsThanItsDescriptorCanCount) {
  const struct {
    const char* speed;
    const char* maxchild;
    int ports;
    int status;
  } cases[] = {
      {"480", "255", 255, 0}, {"480", "256", 0, 1}, {"5000", "15", 15, 0}, {"10000", "16", 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.speed) + " Mbit/s, maxchild " + c.maxchild);
    const Usb_Device record =
        recordOf(deviceWith("1-1", {"bDeviceClass=09", "speed=" + std::string(c.speed),
                                    "maxchild=" + std::string(c.maxchild)}));
    EXPECT_EQ(record.nNumofPorts, c.ports);
    EXPECT_EQ(record.sAddlHWInfo, "Number of Ports:" + std::to_string(c.ports) + "|");
    EXPECT_EQ(record.nDevStatus, c.status);
  }
}

// A controller off a bus without vendor and device IDs, whose root hub has no product string.
TEST(RecordBuilder, APlatformControllerIsNamedByItsBus) {
  SysfsController platform;
  platform.name = "xhci-hcd.0.auto";
  platform.subsystem = "platform";
  const Usb_Device record = controllerRecord(platform, recordOf(deviceWith("usb1", {"product"})));
  EXPECT_EQ(record.nidVendor, 0);
  EXPECT_EQ(record.sDevName, "USB Host Controller");
  EXPECT_EQ(record.sDevInstanceId, "PLATFORM\\xhci-hcd.0.auto");
}

}  // namespace
