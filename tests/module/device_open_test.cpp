#if defined(_WIN32)
#include <windows.h>
#endif

#include <iterator>

#include "ModuleFixture.h"

namespace {

using KestraDiags::Halvex::DEV_ERR_ACCESS_DENIED;
using KestraDiags::Halvex::DEV_ERR_NOT_CONNECTED;
using KestraDiags::Halvex::DEV_ERR_OPEN_FAILED;

const char* const kEnumerated = "Returning from getDeviceVector";

#if defined(_WIN32)
// An open that shares nothing fails while another handle holds the file.
int handlesHolding(const std::string& path) {
  const HANDLE handle =
      ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  ::CloseHandle(handle);
  return 0;
}
#else
// Every descriptor of the process counts, so that closing one the module never opened shows.
int handlesHolding(const std::string&) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}
#endif

class DeviceOpenTest : public ModuleTest {
 protected:
  HalvexDevice& hubAt(const std::string& devicePath) {
    return *static_cast<HalvexDevice*>(enumerate({devicePath}).at(0).getDevice());
  }
  Texts recordsSinceEnumeration() const { return from(traceLines(enumeratorLog()), kEnumerated); }
};

// The records of an open and a close are the host's whole outputs' (tests/expected), and those of
// a close without an open the same as after a failed open.
TEST_F(DeviceOpenTest, OpenHoldsTheDevicePathUntilClose) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  const int before = handlesHolding(path);
  hub.close();
  hub.deviceControl(12345);
  EXPECT_EQ(handlesHolding(path), before) << "closed without open";
  EXPECT_EQ(hub.open(0), 0u);
  EXPECT_TRUE(hub.isOpen());
  EXPECT_EQ(handlesHolding(path), before + 1);
  hub.close();
  EXPECT_FALSE(hub.isOpen());
  EXPECT_EQ(handlesHolding(path), before);
  // A second open replaces the handle without closing the first: open never looks at what it held.
  ASSERT_EQ(hub.open(0), 0u);
  ASSERT_EQ(hub.open(0), 0u);
  hub.close();
  EXPECT_EQ(handlesHolding(path), before + 1);
}

struct OpenFailureCase {
  const char* name;
  std::string path;
  unsigned int result;
  unsigned int windowsError;
};
ROW_PRINTS_AS_ITS_NAME(OpenFailureCase)

class OpenFailureTest : public DeviceOpenTest,
                        public ::testing::WithParamInterface<OpenFailureCase> {};

// Closing after a failed open hands the invalid handle back, which must release nothing.
TEST_P(OpenFailureTest, GivesTheResultCodeAndTwoRecords) {
  HalvexDevice& hub = hubAt(GetParam().path);
  const int before = handlesHolding(GetParam().path);
  EXPECT_EQ(hub.open(0), GetParam().result);
  EXPECT_FALSE(hub.isOpen());
  hub.close();
  EXPECT_EQ(handlesHolding(GetParam().path), before);
  EXPECT_EQ(recordsSinceEnumeration(),
            (Texts{kEnumerated, "m_PrideviceDescriptor:  " + GetParam().path,
                   "Return status of open: " + std::to_string(GetParam().windowsError),
                   "Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}

#if !defined(_WIN32)
// A missing path, an empty one and a folder: the host's whole outputs (tests/expected/odd-entries,
// over-current-and-no-verdict).
const OpenFailureCase kOpenFailures[] = {
    {"ReadOnlyAttribute", "/sys/devices/system/cpu/online", DEV_ERR_ACCESS_DENIED, 5},
    {"BelowAFile", "/dev/null/hub", DEV_ERR_OPEN_FAILED, 3},
};
#else
// The errors as CreateFileA itself reports them.
const OpenFailureCase kOpenFailures[] = {
    {"Missing", "C:/nonexistent-halvex-hub", DEV_ERR_NOT_CONNECTED, 2},
    {"MissingFolder", "C:/nonexistent-halvex/hub", DEV_ERR_OPEN_FAILED, 3},
    {"Empty", "", DEV_ERR_OPEN_FAILED, 3},
    {"Directory", "C:/windows", DEV_ERR_ACCESS_DENIED, 5},
    {"BelowAFile", "C:/windows/win.ini/hub", DEV_ERR_OPEN_FAILED, 3},
};
#endif
INSTANTIATE_TEST_SUITE_P(Paths, OpenFailureTest, ::testing::ValuesIn(kOpenFailures), RowName());

#if defined(_WIN32)
HANDLE openForWriting(const std::string& path, DWORD shareMode) {
  return ::CreateFileA(path.c_str(), GENERIC_WRITE, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(DeviceOpenTest, SharesTheHubWithWritersOnly) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  const HANDLE holder = openForWriting(path, 0);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(hub.open(0), DEV_ERR_OPEN_FAILED);
  EXPECT_FALSE(hub.isOpen());
  ::CloseHandle(holder);
  ASSERT_EQ(hub.open(0), 0u);
  const HANDLE writer = openForWriting(path, FILE_SHARE_WRITE);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  ::CloseHandle(writer);
  EXPECT_EQ(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  hub.close();
  EXPECT_EQ(
      recordsSinceEnumeration(),
      (Texts{kEnumerated, "m_PrideviceDescriptor:  " + path, "Return status of open: 32",
             "m_PrideviceDescriptor:  " + path, "CreateFile passed", "Return status of open: 0",
             "Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}
#endif

}  // namespace
