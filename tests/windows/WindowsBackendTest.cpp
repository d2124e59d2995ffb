// libludrel's Windows backend as the module uses it, on a machine without USB: Wine, which lists
// no USB device at all. Port queries on paths that are no hub fail with a clear reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

namespace {

bool runsUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class WindowsBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    _putenv_s("LUDREL_TOPOLOGY", "");
    // One file per process: tests run side by side, and Windows will not remove an open file.
    m_file = (std::filesystem::temp_directory_path() /
              ("halvex-not-a-hub-" + std::to_string(GetCurrentProcessId()) + ".txt"))
                 .string();
    std::ofstream(m_file) << "not a hub";
  }
  void TearDown() override { std::filesystem::remove(m_file); }

  std::string m_file;
};

TEST_F(WindowsBackendTest, IsTheBackendWithoutATopology) {
  EXPECT_EQ(USBUtil::backendName(), "windows");
}

TEST_F(WindowsBackendTest, WithoutAUsbBusEnumerationFailsWithTheReason) {
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

TEST_F(WindowsBackendTest, PortOfAMissingHubIsFreeAndTheReasonIsKept) {
  USBDeviceFinder finder(nullptr);
  const std::string hub = R"(\\?\usb#no-such-hub#0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";
  std::string key = "left alone";
  EXPECT_FALSE(finder.isPortBusy(hub, 1, key, nullptr));
  EXPECT_EQ(key, "left alone");
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
  EXPECT_EQ(USBUtil::lastErrorMessage().rfind("cannot open hub " + hub + ": ", 0), 0u)
      << USBUtil::lastErrorMessage();
  EXPECT_NE(USBUtil::lastErrorMessage().find("(Windows error "), std::string::npos);
}

TEST_F(WindowsBackendTest, OverCurrentQueryOnAFileAnswersNoDeviceAndKeepsTheHandleOpen) {
  HANDLE file = CreateFileA(m_file.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string logFile = m_file + ".log";
  std::ofstream log(logFile);
  USBDeviceFinder finder(&log);
  int state = 7;
  EXPECT_EQ(finder.checkforOCState(m_file, 1, state, file), -1);
  EXPECT_EQ(state, -1);
  EXPECT_EQ(USBUtil::lastErrorName(), "LUDREL_ERROR_IO");
  EXPECT_EQ(USBUtil::lastErrorMessage().rfind(
                m_file + ": port 1: IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX: ", 0),
            0u)
      << USBUtil::lastErrorMessage();
  log.close();
  std::ifstream written(logFile);
  std::string line;
  std::getline(written, line);
  EXPECT_EQ(line, "Ludrel: LUDREL_ERROR_IO: " + USBUtil::lastErrorMessage());
  written.close();
  std::filesystem::remove(logFile);
  // The handle is the caller's: the library has not closed it.
  DWORD count = 0;
  EXPECT_TRUE(WriteFile(file, "x", 1, &count, nullptr));
  EXPECT_TRUE(CloseHandle(file));
}

TEST_F(WindowsBackendTest, OverCurrentQueryWithoutAHandleOpensThePathItself) {
  USBDeviceFinder finder(nullptr);
  int state = 0;
  EXPECT_EQ(finder.checkforOCState(m_file, 2, state, INVALID_HANDLE_VALUE), -1);
  EXPECT_EQ(USBUtil::lastErrorMessage().rfind(
                m_file + ": port 2: IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX: ", 0),
            0u)
      << USBUtil::lastErrorMessage();
  // Opened and closed again: nothing holds the file now.
  HANDLE exclusive =
      CreateFileA(m_file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
}

}  // namespace
