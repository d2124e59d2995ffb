#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LsusbReport.h"
#include "ServerMachine.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

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

TEST_F(EmulatedLibrary, EnumerationHandsOutControllersThenEachBusDepthFirst) {
  std::vector<std::string> locations;
  for (const Usb_Device& record : enumerate()) locations.push_back(record.sLocation);
  EXPECT_EQ(locations, (std::vector<std::string>{"0000:00:14.0", "usb1", "1-1", "1-1.1", "1-1.3",
                                                 "1-1.4", "1-4", "usb2", "2-1", "2-1.2",
                                                 "0000:00:1a.0", "usb3", "3-1", "3-1.6"}));
  EXPECT_EQ(USBUtil::lastErrorName(), "");
}

TEST_F(EmulatedLibrary, RecordsCarryWhatSysfsSays) {
  const std::vector<Usb_Device> records = enumerate();
  for (const EmulatedDevice& device : testbed.devices()) {
    SCOPED_TRACE(device.name);
    const Usb_Device& record = recordAt(records, device.name);
    EXPECT_EQ(record.nidVendor, device.vendor);
    EXPECT_EQ(record.nidProduct, device.product);
    EXPECT_EQ(record.nbcdDevice, device.bcdDevice);
    EXPECT_EQ(record.nBusNumber, device.bus());
    EXPECT_EQ(record.nDevAddress, device.address);
    EXPECT_EQ(record.sSerialNumber, device.serial);
    EXPECT_EQ(record.sParentLocation, device.parentName());
    EXPECT_EQ(record.sSpeed, device.speed);
    bool claimed = false;
    for (const EmulatedInterface& interface : device.interfaces) {
      claimed = claimed || !interface.driver.empty();
    }
    const int status = !device.authorized ? 2 : !device.configured ? 4 : !claimed ? 1 : 0;
    EXPECT_EQ(record.nDevStatus, status);
    EXPECT_EQ(record.bIgnore, !device.authorized);
    const int type = device.isRootHub() ? 1 : device.isHub() ? 2 : 3;
    EXPECT_EQ(record.nDevType, type);
    if (type != 3) {
      EXPECT_EQ(record.sDevDescriptor, device.node());
      EXPECT_EQ(record.nNumofPorts, device.ports);
      EXPECT_EQ(record.sAddlHWInfo, "Number of Ports:" + std::to_string(device.ports) + "|");
    } else {
      EXPECT_EQ(record.sDevDescriptor, "");
    }
    if (!device.productName.empty() && type != 1) {
      EXPECT_EQ(record.sDevName, device.productName);
    }
    if (!device.manufacturer.empty()) {
      EXPECT_EQ(record.sManufacturer, device.manufacturer);
    }
  }
}

TEST_F(EmulatedLibrary, DevicesWithoutStringsAreNamedFromUsbIds) {
  const std::vector<Usb_Device> records = enumerate();
  const Usb_Device& receiver = recordAt(records, ServerMachine::kWithoutStrings);
  EXPECT_EQ(receiver.sDevName, "Unifying Receiver") << "no usb.ids? (Debian package usb.ids)";
  EXPECT_EQ(receiver.sManufacturer, "Logitech, Inc.");
  EXPECT_EQ(receiver.sDevInstanceId, "USB\\VID_046D&PID_C52B\\1-4");
  const Usb_Device& integratedHub = recordAt(records, ServerMachine::kIntegratedHub);
  EXPECT_EQ(integratedHub.sDevName, "Integrated Rate Matching Hub");
  EXPECT_EQ(integratedHub.sManufacturer, "Intel Corp.");
}

TEST_F(EmulatedLibrary, ControllersComeFromTheRootHubsParents) {
  const std::vector<Usb_Device> records = enumerate();
  const Usb_Device& xhci = recordAt(records, "0000:00:14.0");
  EXPECT_EQ(xhci.sDevName, "xHCI Host Controller");
  EXPECT_EQ(xhci.sService, "xhci_hcd");
  EXPECT_EQ(xhci.sParentLocation, "pci0000:00");
  EXPECT_EQ(xhci.sDevInstanceId, "PCI\\VEN_8086&DEV_A36D\\0000:00:14.0");
  EXPECT_EQ(recordAt(records, "usb1").sParentInstanceId, xhci.sDevInstanceId);
  EXPECT_EQ(recordAt(records, "0000:00:1a.0").sService, "ehci-pci");
  EXPECT_EQ(recordAt(records, "1-1.1").sParentInstanceId, recordAt(records, "1-1").sDevInstanceId);
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
        if (device.name != locationOnPort(hub.name, port)) continue;
        const std::string name = recordAt(records, device.name).sDevName;
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", device.vendor, device.product);
        expected = ids + (name.empty() ? "" : " " + name) + " (" + device.name + ")";
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
  for (const int error : {EPIPE, ETIMEDOUT, ENODEV, EIO}) {
    SCOPED_TRACE(error);
    USBUtil::clearLastError();
    testbed.failPort(hub, 2, error);
    EXPECT_EQ(overCurrentState(node, 2), -1);
    EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_TRANSFER");
    EXPECT_EQ(USBUtil::lastErrorMessage().rfind(node + ": GET_STATUS of port 2 failed: ", 0), 0u)
        << USBUtil::lastErrorMessage();
  }
  testbed.failPort(hub, 2, 0);
  EXPECT_EQ(overCurrentState(node, 2), 2);
}

// Run as a user without write access to the hub's node, the library says how to get it.
TEST_F(EmulatedLibrary, WithoutAccessToTheNodeTheMessageGivesTheFix) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string hub = ServerMachine::kUsb2Hub;
  EXPECT_EXIT(
      {
        testbed.protectNode(hub);
        // nobody, when this runs as root, to whom the file mode applies.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::exit(3);
        const int answer = overCurrentState(testbed.device(hub).node(), 1);
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
