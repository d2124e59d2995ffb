#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ServerMachine.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

template <typename... Numbers>
std::string formatted(const char* format, Numbers... numbers) {
  char text[64];
  std::snprintf(text, sizeof text, format, numbers...);
  return text;
}

// libludrel in this process, on the emulated server.
class EmulatedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ServerMachine::build(testbed);
    // The last failure belongs to the process, not to a finder.
    USBUtil::clearLastError();
  }

  std::vector<Usb_Device> enumerate() {
    std::vector<Usb_Device> records;
    EXPECT_TRUE(finder.getAllUSBDevices()) << USBUtil::lastErrorMessage();
    Usb_Device* record = nullptr;
    while (finder.Next(&record)) {
      records.push_back(*record);
      delete record;
    }
    return records;
  }

  static const Usb_Device& recordAt(const std::vector<Usb_Device>& records,
                                    const std::string& location) {
    for (const Usb_Device& record : records) {
      if (record.sLocation == location) return record;
    }
    throw std::runtime_error("no record at " + location);
  }

  int overCurrentState(const std::string& hub, int port, void* handle = nullptr) {
    int state = 99;
    const int answer = finder.checkforOCState(hub, port, state, handle);
    EXPECT_EQ(state, answer);
    return answer;
  }

  UsbTestbed testbed;
  USBDeviceFinder finder{nullptr};
};

// Every record, in the order they come: controllers, then each bus depth first. The names and
// descriptions are written out; the rest follows from what sysfs shows of the device. The
// unnamed receiver and hub are named from usb.ids (Debian: usb.ids).
// The device descriptor in "descriptors" spares six attribute reads; without it the attribute
// files give the same record.
TEST_F(EmulatedLibrary, WithoutDescriptorsTheAttributeFilesGiveTheSameRecords) {
  const auto identity = [](const Usb_Device& r) {
    return formatted("%04x:%04x bcd %04x", r.nidVendor, r.nidProduct, r.nbcdDevice) + " class " +
           r.sDevClass + "/" + r.sDevSubClass + " USB" + r.sUsbVersion + " " + r.sDevName + " | " +
           r.sDevDesc + " | " + r.sDevKey;
  };
  std::vector<std::string> described;
  for (const Usb_Device& record : enumerate()) described.push_back(identity(record));
  for (const EmulatedDevice& device : testbed.devices()) {
    const std::string file = std::string(std::getenv("UMOCKDEV_DIR")) + "/sys/bus/usb/devices/" +
                             device.name + "/descriptors";
    ASSERT_EQ(::unlink(file.c_str()), 0) << file << ": " << std::strerror(errno);
  }
  USBDeviceFinder fresh(nullptr);
  ASSERT_TRUE(fresh.getAllUSBDevices()) << USBUtil::lastErrorMessage();
  std::vector<std::string> fromFiles;
  Usb_Device* record = nullptr;
  while (fresh.Next(&record)) {
    fromFiles.push_back(identity(*record));
    delete record;
  }
  EXPECT_EQ(fromFiles, described);
}

TEST_F(EmulatedLibrary, RecordsCarryWhatSysfsSays) {
  const struct {
    const char* location;
    const char* name;
    const char* description;
    const char* manufacturer;
    const char* service;
    int status;
  } rows[] = {
      {"0000:00:14.0", "xHCI Host Controller", "xHCI Host Controller", "Linux 6.1.0 xhci-hcd",
       "xhci_hcd", 0},
      {"usb1", "USB Root Hub", "USB Root Hub", "Linux 6.1.0 xhci-hcd", "hub", 0},
      {"1-1", "USB2.0 Hub", "Generic USB Hub", "GenesysLogic", "hub", 0},
      {"1-1.1", "Dell KB216 Wired Keyboard", "USB Input Device", "Dell", "usbhid", 0},
      {"1-1.3", "Cruzer Blade", "USB Device", "SanDisk", "", 2},
      {"1-1.4", "FT232R USB UART", "USB Vendor-Specific Device", "FTDI", "", 1},
      {"1-4", "Unifying Receiver", "USB Input Device", "Logitech, Inc.", "usbhid", 0},
      {"usb2", "USB Root Hub (USB 3.0)", "USB Root Hub", "Linux 6.1.0 xhci-hcd", "hub", 0},
      {"2-1", "USB3.1 Hub", "Generic USB Hub", "GenesysLogic", "hub", 0},
      {"2-1.2", "Ultra Fit", "USB Mass Storage Device", "SanDisk", "usb-storage", 0},
      {"0000:00:1a.0", "EHCI Host Controller", "EHCI Host Controller", "Linux 6.1.0 ehci_hcd",
       "ehci-pci", 0},
      {"usb3", "USB Root Hub", "USB Root Hub", "Linux 6.1.0 ehci_hcd", "hub", 0},
      {"3-1", "Integrated Rate Matching Hub", "Generic USB Hub", "Intel Corp.", "hub", 0},
      {"3-1.6", "USB 10/100/1000 LAN", "USB Device", "Realtek", "", 4},
  };
  const std::vector<Usb_Device> records = enumerate();
  ASSERT_EQ(records.size(), std::size(rows));
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(rows[i].location);
    const Usb_Device& record = records[i];
    EXPECT_EQ(record.sLocation, rows[i].location);
    EXPECT_EQ(record.sDevName, rows[i].name);
    EXPECT_EQ(record.sDevDesc, rows[i].description);
    EXPECT_EQ(record.sManufacturer, rows[i].manufacturer);
    EXPECT_EQ(record.sService, rows[i].service);
    EXPECT_EQ(record.nDevStatus, rows[i].status);
    if (record.sLocation.rfind("0000:", 0) == 0) {  // a controller
      EXPECT_EQ(record.nDevType, 0);
      continue;
    }
    EXPECT_EQ(record.sParentInstanceId, recordAt(records, record.sParentLocation).sDevInstanceId);
    const EmulatedDevice& device = testbed.device(record.sLocation);
    const int type = device.isRootHub() ? 1 : device.isHub() ? 2 : 3;
    EXPECT_EQ(record.nDevType, type);
    EXPECT_EQ(record.nPortNumber, device.port());
    EXPECT_EQ(record.sPortPath,
              device.isRootHub() ? "" : device.name.substr(device.name.find('-') + 1));
    EXPECT_EQ(record.sParentLocation, device.parentName());
    EXPECT_EQ(record.sSerialNumber, device.serial);
    EXPECT_EQ(record.sSpeed, device.speed);
    EXPECT_EQ(record.sUsbVersion, formatted("%x.%02x", device.bcdUsb >> 8, device.bcdUsb & 0xFF));
    EXPECT_EQ(record.sFirmwareRev,
              formatted("%x.%02x", device.bcdDevice >> 8, device.bcdDevice & 0xFF));
    EXPECT_EQ(record.sDevClass, formatted("%02x", device.deviceClass));
    EXPECT_EQ(record.bRemovable, !device.isRootHub());
    EXPECT_EQ(record.bIgnore, !device.authorized);
    const std::string ids = formatted("USB\\VID_%04X&PID_%04X", device.vendor, device.product);
    EXPECT_EQ(record.sHardwareId, ids + formatted("&REV_%04X", device.bcdDevice));
    EXPECT_EQ(record.sDevInstanceId,
              ids + "\\" + (device.serial.empty() ? device.name : device.serial));
    EXPECT_EQ(record.nNumofPorts, device.ports);
    EXPECT_EQ(record.sDevDescriptor, type == 3 ? "" : device.node());
    EXPECT_EQ(record.sAddlHWInfo,
              type == 3 ? "" : "Number of Ports:" + std::to_string(device.ports) + "|");
  }
  const Usb_Device& xhci = records.front();
  EXPECT_EQ(xhci.nidVendor, 0x8086);
  EXPECT_EQ(xhci.nidProduct, 0xA36D);
  EXPECT_EQ(xhci.sParentLocation, "pci0000:00");
  EXPECT_EQ(xhci.sDevInstanceId, "PCI\\VEN_8086&DEV_A36D\\0000:00:14.0");
  EXPECT_EQ(USBUtil::lastErrorName(), "");
}

// lsusb reads the same machine: every device it lists, the deauthorized too, has a record with
// its bus, address and IDs.
TEST_F(EmulatedLibrary, BusesAddressesAndIdsAreThoseLsusbLists) {
  std::set<std::string> fromRecords;
  for (const Usb_Device& record : enumerate()) {
    if (record.nDevType == 0) continue;
    fromRecords.insert(formatted("Bus %03d Device %03d: ID %04x:%04x", record.nBusNumber,
                                 record.nDevAddress, record.nidVendor, record.nidProduct));
  }
  std::set<std::string> fromLsusb;  // "Bus 001 Device 002: ID 05e3:0610 GenesysLogic USB2.0 Hub"
  FILE* lsusb = ::popen(LSUSB_PATH, "r");
  ASSERT_NE(lsusb, nullptr);
  for (char line[256]; std::fgets(line, sizeof line, lsusb) != nullptr;) {
    fromLsusb.insert(std::string(line).substr(0, 32));
  }
  EXPECT_EQ(::pclose(lsusb), 0) << "lsusb (usbutils) failed";
  EXPECT_EQ(fromRecords, fromLsusb);
}

// Every port of every hub, on the finder that enumerated and on one that did not.
TEST_F(EmulatedLibrary, PortKeysNameTheDeviceOnEachPort) {
  const std::vector<Usb_Device> records = enumerate();
  USBDeviceFinder fresh(nullptr);
  for (const EmulatedDevice& hub : testbed.devices()) {
    if (!hub.isHub()) continue;
    for (int port = 0; port <= hub.ports + 1; ++port) {
      SCOPED_TRACE(hub.name + " port " + std::to_string(port));
      std::string expected;
      for (const EmulatedDevice& device : testbed.devices()) {
        if (device.parentName() != hub.name || device.port() != port) continue;
        const std::string name = recordAt(records, device.name).sDevName;
        expected = formatted("%04x:%04x", device.vendor, device.product) +
                   (name.empty() ? "" : " " + name) + " (" + device.name + ")";
      }
      for (USBDeviceFinder* queried : {&finder, &fresh}) {
        std::string key = "unchanged";
        const bool busy = queried->isPortBusy(hub.node(), port, key, nullptr);
        EXPECT_EQ(busy, !expected.empty());
        EXPECT_EQ(key, busy ? expected : "unchanged");
      }
    }
  }
  EXPECT_EQ(USBUtil::lastErrorName(), "");
}

TEST_F(EmulatedLibrary, QueriesOfHubsAndPortsThatDoNotExistFail) {
  std::string key;
  EXPECT_FALSE(finder.isPortBusy("/dev/bus/usb/009/009", 1, key, nullptr));
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_FOUND");
  EXPECT_EQ(USBUtil::lastErrorMessage(),
            "/dev/bus/usb/009/009: no USB device has this bus and address; it was unplugged");
  EXPECT_FALSE(finder.isPortBusy("usb1", 1, key, nullptr));
  EXPECT_EQ(USBUtil::lastErrorMessage(),
            "usb1: not a USB device node; hubs are named /dev/bus/usb/BBB/DDD");

  // The emulated hubs would answer any port number: these must never reach them.
  const std::string hubPorts = " does not exist; hub ports are 1 to 255";
  const struct {
    const char* hub;
    int port;
    std::string message;
  } refused[] = {
      {"/dev/bus/usb/001/099", 1,
       "/dev/bus/usb/001/099: cannot open the hub: No such file or directory; it was unplugged, "
       "or /dev/bus/usb is not mounted"},
      {"/dev/bus/usb/001/001", 0, "/dev/bus/usb/001/001: port 0" + hubPorts},
      {"/dev/bus/usb/001/001", -1, "/dev/bus/usb/001/001: port -1" + hubPorts},
      {"/dev/bus/usb/001/001", 256, "/dev/bus/usb/001/001: port 256" + hubPorts},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.message);
    USBUtil::clearLastError();
    EXPECT_EQ(overCurrentState(c.hub, c.port), -1);
    EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NOT_FOUND");
    EXPECT_EQ(USBUtil::lastErrorMessage(), c.message);
  }
}

// USB 2 and SuperSpeed, root and external hubs, ports with and without a device.
TEST_F(EmulatedLibrary, OverCurrentAsTheHubReportsIt) {
  const struct {
    const char* hub;
    int port;
    bool connected;
  } cases[] = {{"usb1", 1, true}, {"usb1", 2, false}, {"1-1", 4, true}, {"1-1", 2, false},
               {"usb2", 1, true}, {"usb2", 3, false}, {"2-1", 2, true}, {"2-1", 4, false},
               {"3-1", 6, true},  {"1-1", 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.hub) + " port " + std::to_string(c.port));
    const std::string node = testbed.device(c.hub).node();
    // A hub opened as the module opens it: its handle is the descriptor of the node, and the
    // path does not matter then.
    const int descriptor = ::open(node.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0) << std::strerror(errno);
    void* handle = reinterpret_cast<void*>(static_cast<std::intptr_t>(descriptor));
    for (const bool on : {false, true, false}) {
      testbed.setOverCurrent(c.hub, c.port, on);
      const int expected = on ? 2 : c.connected ? 0 : -1;
      EXPECT_EQ(overCurrentState(node, c.port), expected);
      EXPECT_EQ(overCurrentState("/dev/bus/usb/009/009", c.port, handle), expected);
    }
    ::close(descriptor);
  }
  EXPECT_EQ(USBUtil::lastErrorName(), "");
}

TEST_F(EmulatedLibrary, AFailedTransferIsNeverAnOverCurrent) {
  const std::string hub = ServerMachine::kUsb3Hub;
  const std::string node = testbed.device(hub).node();
  testbed.setOverCurrent(hub, 2, true);
  testbed.failPort(hub, 2, ETIMEDOUT);
  EXPECT_EQ(overCurrentState(node, 2), -1);
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_TRANSFER");
  EXPECT_EQ(USBUtil::lastErrorMessage(), node +
                                             ": GET_STATUS of port 2 failed: Connection timed "
                                             "out; the hub did not answer in time");
  testbed.failPort(hub, 2, 0);
  EXPECT_EQ(overCurrentState(node, 2), 2);
}

// Run as a user without write access to the hub's node, the library says how to get it.
TEST_F(EmulatedLibrary, WithoutAccessToTheNodeTheMessageGivesTheFix) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string hub = ServerMachine::kUsb2Hub;
  EXPECT_EXIT(
      {
        // The testbed and the socket umockdev answers the node's requests on stay open to
        // others, who get no further than the node itself.
        const std::string root = std::getenv("UMOCKDEV_DIR");
        const std::string node = testbed.device(hub).node();
        ::chmod(root.c_str(), 0755);
        ::chmod((root + "/ioctl" + node).c_str(), 0666);
        ::chmod((root + node).c_str(), 0444);
        // nobody, when this runs as root, to whom the file mode applies.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::exit(3);
        const int answer = overCurrentState(node, 1);
        std::fprintf(stderr, "%d %s: %s\n", answer, USBUtil::lastErrorName().c_str(),
                     USBUtil::lastErrorMessage().c_str());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      "-1 LUDREL_ERROR_ACCESS_DENIED: /dev/bus/usb/001/002: permission denied; run as root, or "
      "give the hubs' nodes to a group with the udev rule "
      "/usr/share/halvex/examples/udev/70-halvex.rules");
}

}  // namespace
