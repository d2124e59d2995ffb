// The emulated server in each state an operator must tell apart: what halvex-host gives for
// every command, both trace logs, and what libludrel answers in this process for every record,
// port and hub, each compared whole with tests/expected/<state>/. To rewrite those files from
// this build instead: HALVEX_UPDATE_EXPECTED=1 ctest -R EmulatedServer
//
// The server (tests/linux/server.umockdev) has three buses on two controllers:
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
//
// The odd devices (tests/linux/odd-devices.umockdev) are on usb1, a root hub without a product
// string on a platform controller: on 1-1 to 1-5 receivers without an authorized attribute, with
// one of two interfaces claimed, configured without interfaces, in configuration 0, without a
// configuration attribute; on 1-6 a device nobody names; on 1-7 to 1-10 serials with a space, a
// comma, a control character and a non-ASCII letter; on 1-11 to 1-16 device and interface classes
// (miscellaneous with several or one interface, a class of the device's own, unknown classes, an
// interface without a class); on 1-17 and 1-18 devices without a product or a manufacturer string,
// named from usb.ids; on 1-20 to 1-23 hubs with 255 and 256 USB 2 ports, 15 and 16 SuperSpeed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "UsbTestbed.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"
#include "tests/ludrel/RecordText.h"
#include "tests/ludrel/StatusText.h"
#include "tests/runner/HostOutputs.h"
#include "tests/runner/HostTest.h"
#include "tests/support/Environment.h"
#include "tests/support/ExpectedFiles.h"
#include "tests/support/NamedCase.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

// The answer, then the failure the call left, which is cleared for the next.
std::string withFailure(const std::string& answer) {
  const std::string name = USBUtil::lastErrorName();
  const std::string text =
      name.empty() ? answer : answer + " (" + name + ": " + USBUtil::lastErrorMessage() + ")";
  USBUtil::clearLastError();
  return text;
}

std::vector<Usb_Device> records(USBDeviceFinder& finder) {
  std::vector<Usb_Device> all;
  Usb_Device* record = nullptr;
  for (finder.getAllUSBDevices(); finder.Next(&record); delete record) all.push_back(*record);
  return all;
}

// What a query of the hub's port answers, through the node's path and through a handle to it
// with a path that names no hub, as the module asks once it has opened the hub.
std::string portAnswers(const std::string& hub, int port) {
  USBDeviceFinder fresh(nullptr);  // one that has not enumerated
  std::string key;
  std::string text = "  " + hub + " port " + std::to_string(port) + ": busy " +
                     withFailure(fresh.isPortBusy(hub, port, key, nullptr) ? key : "no");
  int state = 99;
  const int answer = fresh.checkforOCState(hub, port, state, nullptr);
  text += ", over-current " + withFailure(std::to_string(answer) + "/" + std::to_string(state));
  const int descriptor = ::open(hub.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor >= 0) {
    void* handle = reinterpret_cast<void*>(static_cast<std::intptr_t>(descriptor));
    text += ", by handle " + withFailure(std::to_string(fresh.checkforOCState(
                                 "/dev/bus/usb/009/009", port, state, handle)));
    ::close(descriptor);
  }
  return text + "\n";
}

// Every record as it differs from a new one; for each hub every port from 0 to one past its
// last; queries that must fail before they reach a hub; and the status words of every port.
std::string libraryAnswers() {
  USBUtil::clearLastError();
  USBDeviceFinder finder(nullptr);
  std::string text;
  const std::vector<Usb_Device> all = records(finder);
  text += withFailure("enumerated") + "\n";
  for (const Usb_Device& record : all) {
    text += record.sLocation + ": " + changedMembers(record) + "\n";
    for (int port = 0; !record.sDevDescriptor.empty() && port <= record.nNumofPorts + 1; ++port) {
      text += portAnswers(record.sDevDescriptor, port);
    }
  }
  for (const std::string& query : caseLines("tests/linux/unanswerable-queries.txt")) {
    text += portAnswers(query.substr(0, query.find(' ')), std::stoi(query.substr(query.find(' '))));
  }
  return text + statusText::ofMachine();
}

struct State {
  std::string name;
  std::string machine;   // tests/linux/<machine>.umockdev
  std::string setUp;     // tests/linux/<setUp>.txt, rows for UsbTestbed::apply, if any
  bool replayed;         // from a snapshot the host took of the machine
  std::string expected;  // the folder of its expected files
};
ROW_PRINTS_AS_ITS_NAME(State)

const State kStates[] = {
    {"Server", "server", "", false, "emulated-server"},
    {"ServerWithoutDescriptors", "server", "without-descriptors", false, "emulated-server"},
    {"ServerReplayed", "server", "", true, "emulated-server-replayed"},
    {"Faults", "server", "faults", false, "emulated-faults"},
    {"FaultsReplayed", "server", "faults", true, "emulated-faults-replayed"},
    {"WithoutUsb", "", "", false, "emulated-without-usb"},
    {"OddDevices", "odd-devices", "", false, "emulated-odd-devices"},
};

class EmulatedServer : public ::testing::TestWithParam<State> {
 protected:
  UsbTestbed testbed{GetParam().machine};
  TempDir dir;
};

TEST_P(EmulatedServer, HostOutputsLogsAndLibraryAnswersAreTheExpectedOnes) {
  if (!GetParam().setUp.empty()) {
    testbed.apply(caseLines("tests/linux/" + GetParam().setUp + ".txt"));
  }
  std::vector<std::string> options;
  if (GetParam().replayed) {
    const std::string snapshot = dir.file("usb.json");
    EXPECT_EQ(HostProcess({"--no-log", "snapshot", snapshot}, dir.path()).wait(), 0);
    options = {"--topology", snapshot};
  }
  const TempDir work;
  std::map<std::string, std::string> files = hostOutputs(work, options);
  if (GetParam().replayed) setEnvironment("LUDREL_TOPOLOGY", dir.file("usb.json"));
  files["library.txt"] = libraryAnswers();
  unsetEnvironment("LUDREL_TOPOLOGY");
  expectStoredFiles(GetParam().expected, files);
}

INSTANTIATE_TEST_SUITE_P(States, EmulatedServer, ::testing::ValuesIn(kStates), RowName());

// lsusb reads the same machine: every device it lists, the deauthorized too, has a record with
// its bus, address and IDs.
TEST(EmulatedLibrary, BusesAddressesAndIdsAreThoseLsusbLists) {
  UsbTestbed testbed("server");
  USBDeviceFinder finder(nullptr);
  std::set<std::string> fromRecords;
  for (const Usb_Device& record : records(finder)) {
    char line[40];
    std::snprintf(line, sizeof line, "Bus %03d Device %03d: ID %04x:%04x", record.nBusNumber,
                  record.nDevAddress, record.nidVendor, record.nidProduct);
    if (record.nDevType != 0) fromRecords.insert(line);
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

// Run as a user without write access to the hub's node, the library says how to get it.
TEST(EmulatedLibrary, WithoutAccessToTheNodeTheMessageGivesTheFix) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UsbTestbed testbed("server");
  EXPECT_EXIT(
      {
        // The testbed and the socket umockdev answers the node's requests on stay open to
        // others, who get no further than the node itself.
        const std::string root = std::getenv("UMOCKDEV_DIR");
        const std::string node = "/dev/bus/usb/001/002";  // the hub 1-1
        ::chmod(root.c_str(), 0755);
        ::chmod((root + "/ioctl" + node).c_str(), 0666);
        ::chmod((root + node).c_str(), 0444);
        // nobody, when this runs as root, to whom the file mode applies.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::exit(3);
        std::fputs(portAnswers(node, 1).c_str(), stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      "over-current -1/-1 \\(LUDREL_ERROR_ACCESS_DENIED: /dev/bus/usb/001/002: permission denied; "
      "run as root, or give the hubs' nodes to a group with the udev rule "
      "/usr/share/halvex/examples/udev/70-halvex.rules\\)");
}

}  // namespace
