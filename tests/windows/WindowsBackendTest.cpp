// libludrel's Windows backend as the module uses it, on a machine without USB: Wine, which lists
// no USB device at all. Port queries on paths that are no hub fail with a clear reason. Its
// answers whole in tests/expected/windows-backend/, the system's texts left out.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "../support/ExpectedFiles.h"
#include "ludrel/HubStatus.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"
#include "ludrel/UsbEvents.h"

using namespace KestraDiags::Ludrel;

namespace {

bool runsUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// "NAME: what: (text) (Windows error N)": the text of a failed call is in the system's language.
std::string failure(const std::string& name, std::string message) {
  const std::size_t code = message.rfind(" (Windows error ");
  const std::size_t text = message.rfind(": ", code) + 2;
  if (code != std::string::npos) message.replace(text, code - text, "(text)");
  return name + ": " + message + "\n";
}
std::string lastError() { return failure(USBUtil::lastErrorName(), USBUtil::lastErrorMessage()); }

TEST(WindowsBackendTest, AnswersWithoutAUsbBusAndForWhatIsNoHubAsTheStoredOnesShow) {
  if (!runsUnderWine()) GTEST_SKIP() << "a real Windows machine has a USB bus";
  _putenv_s("LUDREL_TOPOLOGY", "");
  std::ostringstream text;
  text << std::boolalpha << "backend " << USBUtil::backendName() << "\nevents: ";
  const auto events = UsbEventSource::open();
  text << failure(events.failure().name, events.failure().message);
  USBDeviceFinder finder(nullptr);
  Usb_Device* record = nullptr;
  text << "enumerates " << finder.getAllUSBDevices() << ", next " << finder.Next(&record)
       << ", record " << (record != nullptr) << ", " << lastError();

  const std::string hub = R"(\\?\usb#no-such-hub#0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";
  std::string key = "left alone";
  text << "busy " << USBDeviceFinder(nullptr).isPortBusy(hub, 1, key, nullptr) << ", key " << key
       << ", " << lastError();

  // In the test's working directory, which is its build's own: Windows will not remove an open
  // file, and two runs on one machine would share one in the temporary directory.
  const std::string file = "not-a-hub";
  std::ofstream(file) << "not a hub";
  // With the caller's handle: the reason is logged, and the handle is left open.
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  std::ofstream log(file + ".log");
  int state = 7;
  text << "over-current " << USBDeviceFinder(&log).checkforOCState(file, 1, state, handle);
  text << ", state " << state << ", " << lastError();
  log.close();
  std::string logged;
  std::getline(std::ifstream(file + ".log"), logged);
  DWORD count = 0;
  text << failure("log", logged) << "handle still open "
       << (WriteFile(handle, "x", 1, &count, nullptr) != 0) << ", closed "
       << (CloseHandle(handle) != 0) << "\n";

  // Without one: the path is opened, and closed again, so that nothing holds the file. The
  // status reader asks the same way. A hub's own status Windows tells no program outside the
  // kernel.
  text << "over-current "
       << USBDeviceFinder(nullptr).checkforOCState(file, 2, state, INVALID_HANDLE_VALUE) << ", "
       << lastError();
  HubStatusReader reader;
  const auto port = reader.portStatus(file, 3);
  const auto own = reader.hubStatus(file);
  text << "port status: " << failure(port.failure().name, port.failure().message)
       << "hub status: " << failure(own.failure().name, own.failure().message);
  HANDLE exclusive =
      CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  text << "opened alone " << (exclusive != INVALID_HANDLE_VALUE) << "\n";
  CloseHandle(exclusive);
  std::remove((file + ".log").c_str());
  std::remove(file.c_str());

  expectStoredFiles("windows-backend", {{"answers.txt", text.str()}});
}

}  // namespace
