// libludrel's Windows backend as the module uses it, on a machine without USB: Wine, which lists
// no USB device at all. Port queries on paths that are no hub fail with a clear reason. Few tests,
// as each starts a Wine process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ludrel/HubStatus.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"
#include "ludrel/UsbEvents.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

bool runsUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool startsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

TEST(WindowsBackendTest,
     AnswersWithoutATopologyNoEventsAndWithoutAUsbBusEnumerationFailsWithTheReason) {
  _putenv_s("LUDREL_TOPOLOGY", "");
  EXPECT_EQ(USBUtil::backendName(), "windows");
  const auto events = KestraDiags::Ludrel::UsbEventSource::open();
  ASSERT_FALSE(events.ok());
  EXPECT_EQ(events.failure().name + ": " + events.failure().message,
            "LUDREL_ERROR_NOT_SUPPORTED: windows backend has no source of USB events yet; a "
            "topology's \"events\" list can simulate them");
  if (!runsUnderWine()) GTEST_SKIP() << "a real Windows machine has a USB bus";
  USBDeviceFinder finder(nullptr);
  EXPECT_FALSE(finder.getAllUSBDevices());
  Usb_Device* record = nullptr;
  EXPECT_FALSE(finder.Next(&record));
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_NO_USB_BUS");
  EXPECT_EQ(USBUtil::lastErrorMessage(),
            "no USB bus: Windows lists no USB host controller, hub or device");
}

TEST(WindowsBackendTest, PortQueriesOnWhatIsNoHubAnswerFreeAndKeepTheReason) {
  _putenv_s("LUDREL_TOPOLOGY", "");
  // One file per process: tests run side by side, and Windows will not remove an open file.
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("halvex-not-a-hub-" + std::to_string(GetCurrentProcessId())))
                               .string();
  std::ofstream(file) << "not a hub";

  const std::string hub = R"(\\?\usb#no-such-hub#0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";
  std::string key = "left alone";
  EXPECT_FALSE(USBDeviceFinder(nullptr).isPortBusy(hub, 1, key, nullptr));
  EXPECT_EQ(key, "left alone");
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
  EXPECT_TRUE(startsWith(USBUtil::lastErrorMessage(), "cannot open hub " + hub + ": "))
      << USBUtil::lastErrorMessage();
  EXPECT_NE(USBUtil::lastErrorMessage().find("(Windows error "), std::string::npos);

  // With the caller's handle: the reason is logged, and the handle is left open.
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  std::ofstream log(file + ".log");
  int state = 7;
  EXPECT_EQ(USBDeviceFinder(&log).checkforOCState(file, 1, state, handle), -1);
  EXPECT_EQ(state, -1);
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
  EXPECT_TRUE(startsWith(USBUtil::lastErrorMessage(),
                         file + ": port 1: IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX: "))
      << USBUtil::lastErrorMessage();
  log.close();
  std::string line;
  std::getline(std::ifstream(file + ".log"), line);
  EXPECT_EQ(line, "Ludrel: LUDREL_ERROR_IO: " + USBUtil::lastErrorMessage());
  DWORD count = 0;
  EXPECT_TRUE(WriteFile(handle, "x", 1, &count, nullptr));
  EXPECT_TRUE(CloseHandle(handle));

  // Without one: the path is opened, and closed again, so that nothing holds the file.
  EXPECT_EQ(USBDeviceFinder(nullptr).checkforOCState(file, 2, state, INVALID_HANDLE_VALUE), -1);
  EXPECT_TRUE(startsWith(USBUtil::lastErrorMessage(),
                         file + ": port 2: IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX: "))
      << USBUtil::lastErrorMessage();
  // The status reader asks the same way, and closes what it opened too. A hub's own status
  // Windows tells no program outside the kernel.
  KestraDiags::Ludrel::HubStatusReader reader;
  const auto status = reader.portStatus(file, 3);
  ASSERT_FALSE(status.ok());
  EXPECT_TRUE(startsWith(status.failure().message,
                         file + ": port 3: IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX: "))
      << status.failure().message;
  EXPECT_EQ(reader.hubStatus(file).failure().name, "LUDREL_ERROR_NOT_SUPPORTED");
  HANDLE exclusive =
      CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
  std::filesystem::remove(file + ".log");
  std::filesystem::remove(file);
}

}  // namespace
