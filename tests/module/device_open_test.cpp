#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#endif

#include "ModuleFixture.h"
#include "Topology.h"

#include "../support/NamedCase.h"

namespace {

using KestraDiags::Halvex::DEV_ERR_ACCESS_DENIED;
using KestraDiags::Halvex::DEV_ERR_NOT_CONNECTED;
using KestraDiags::Halvex::DEV_ERR_OPEN_FAILED;
using Texts = std::vector<std::string>;

#if !defined(_WIN32)
std::size_t openDescriptors() {
  std::size_t count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (::readdir(dir) != nullptr) ++count;
  ::closedir(dir);
  return count;
}
#endif

class DeviceOpenTest : public ModuleTest {
 protected:
  // A hub whose device path is the given one, enumerated with the log on.
  HalvexDevice& hubAt(const std::string& devicePath) {
    useTopology(topology(Json::array({rootHub(devicePath, 0)})));
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    return *deviceAt(*m_enumerator->getDeviceVector("", 0), 0);
  }
  // The records written since the enumeration.
  Texts recordsAfterEnumeration() const {
    const Texts all = traceTexts(enumeratorLog());
    const auto end = std::find(all.begin(), all.end(), "Returning from getDeviceVector");
    return Texts(end + 1, all.end());
  }

  EnumeratorPtr m_enumerator;
};

#if !defined(_WIN32)
TEST_F(DeviceOpenTest, OpensTheDevicePathAndCloseReleasesIt) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  const std::size_t before = openDescriptors();
  EXPECT_EQ(hub.open(0), 0u);
  EXPECT_TRUE(hub.isOpen());
  EXPECT_EQ(openDescriptors(), before + 1);
  hub.close();
  EXPECT_FALSE(hub.isOpen());
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_EQ(
      recordsAfterEnumeration(),
      (Texts{"m_PrideviceDescriptor:  " + path, "CreateFile passed", "Return status of open: 0",
             "Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}

#endif

struct OpenFailureCase {
  const char* name;
  std::string path;
  unsigned int result;
  unsigned int windowsError;
};

ROW_PRINTS_AS_ITS_NAME(OpenFailureCase)

class OpenFailureTest : public DeviceOpenTest,
                        public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(OpenFailureTest, GivesTheResultCodeAndTwoRecords) {
  HalvexDevice& hub = hubAt(GetParam().path);
  EXPECT_EQ(hub.open(0), GetParam().result);
  EXPECT_FALSE(hub.isOpen());
  EXPECT_EQ(recordsAfterEnumeration(),
            (Texts{"m_PrideviceDescriptor:  " + GetParam().path,
                   "Return status of open: " + std::to_string(GetParam().windowsError)}));
}

#if !defined(_WIN32)
INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailureTest,
    ::testing::Values(OpenFailureCase{"Missing", "/nonexistent-halvex-hub", DEV_ERR_NOT_CONNECTED,
                                      2},
                      OpenFailureCase{"Directory", "/tmp", DEV_ERR_ACCESS_DENIED, 5},
                      OpenFailureCase{"ReadOnlyAttribute", "/sys/devices/system/cpu/online",
                                      DEV_ERR_ACCESS_DENIED, 5},
                      OpenFailureCase{"BelowAFile", "/dev/null/hub", DEV_ERR_OPEN_FAILED, 3}),
    [](const ::testing::TestParamInfo<OpenFailureCase>& info) { return info.param.name; });
#else
// The errors as CreateFileA itself reports them.
INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailureTest,
    ::testing::Values(
        OpenFailureCase{"Missing", "C:/nonexistent-halvex-hub", DEV_ERR_NOT_CONNECTED, 2},
        OpenFailureCase{"MissingFolder", "C:/nonexistent-halvex/hub", DEV_ERR_OPEN_FAILED, 3},
        OpenFailureCase{"Empty", "", DEV_ERR_OPEN_FAILED, 3},
        OpenFailureCase{"Directory", "C:/windows", DEV_ERR_ACCESS_DENIED, 5},
        OpenFailureCase{"BelowAFile", "C:/windows/win.ini/hub", DEV_ERR_OPEN_FAILED, 3}),
    [](const ::testing::TestParamInfo<OpenFailureCase>& info) { return info.param.name; });
#endif

TEST_F(DeviceOpenTest, DeviceWithoutPathFailsAsAnEmptyPath) {
  useTopology(topology(Json::array({usbDevice("Keyboard")})));
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(false, kNormal));
  HalvexDevice& keyboard = *deviceAt(*enumerator->getDeviceVector("", 0), 0);
  EXPECT_EQ(keyboard.open(0), DEV_ERR_OPEN_FAILED);
  EXPECT_FALSE(keyboard.isOpen());
}

#if !defined(_WIN32)
TEST_F(DeviceOpenTest, CloseWithoutOpenWritesOnlyItsTwoRecords) {
  HalvexDevice& hub = hubAt("/nonexistent-halvex-hub");
  const std::size_t before = openDescriptors();
  hub.close();
  hub.deviceControl(12345);
  EXPECT_EQ(openDescriptors(), before);
  EXPECT_EQ(recordsAfterEnumeration(),
            (Texts{"Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}

TEST_F(DeviceOpenTest, SecondOpenReplacesTheHandleWithoutClosingTheFirst) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  const std::size_t before = openDescriptors();
  ASSERT_EQ(hub.open(0), 0u);
  ASSERT_EQ(hub.open(0), 0u);
  hub.close();
  // open never looks at what it held: the first descriptor stays with the process.
  EXPECT_EQ(openDescriptors(), before + 1);
}
#else
// Whether a handle holds the file: the module shares its hub for writing only, so an open that
// shares nothing fails while one is open.
bool heldOpen(const std::string& path) {
  const HANDLE handle =
      ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  ::CloseHandle(handle);
  return false;
}

HANDLE openForWriting(const std::string& path, DWORD shareMode) {
  return ::CreateFileA(path.c_str(), GENERIC_WRITE, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(DeviceOpenTest, OpensTheDevicePathAndCloseReleasesIt) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  ASSERT_FALSE(heldOpen(path));
  EXPECT_EQ(hub.open(0), 0u);
  EXPECT_TRUE(hub.isOpen());
  EXPECT_TRUE(heldOpen(path));
  hub.close();
  EXPECT_FALSE(hub.isOpen());
  EXPECT_FALSE(heldOpen(path));
  EXPECT_EQ(
      recordsAfterEnumeration(),
      (Texts{"m_PrideviceDescriptor:  " + path, "CreateFile passed", "Return status of open: 0",
             "Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}

TEST_F(DeviceOpenTest, CloseWithoutOpenWritesOnlyItsTwoRecords) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  hub.close();
  hub.deviceControl(12345);
  EXPECT_FALSE(heldOpen(path));
  EXPECT_EQ(recordsAfterEnumeration(),
            (Texts{"Entering HalvexDevice::close", "Leaving HalvexDevice::close"}));
}

TEST_F(DeviceOpenTest, SecondOpenReplacesTheHandleWithoutClosingTheFirst) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  ASSERT_EQ(hub.open(0), 0u);
  ASSERT_EQ(hub.open(0), 0u);
  hub.close();
  // open never looks at what it held: the first handle stays with the process.
  EXPECT_TRUE(heldOpen(path));
}

TEST_F(DeviceOpenTest, SharesTheHubWithWritersOnly) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  ASSERT_EQ(hub.open(0), 0u);
  const HANDLE writer = openForWriting(path, FILE_SHARE_WRITE);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  ::CloseHandle(writer);
  const HANDLE reader =
      ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  hub.close();
}

TEST_F(DeviceOpenTest, HubHeldWithoutSharingIsAFailedOpen) {
  const std::string path = m_dir.write("hub-node", "");
  HalvexDevice& hub = hubAt(path);
  const HANDLE holder = openForWriting(path, 0);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(hub.open(0), DEV_ERR_OPEN_FAILED);
  EXPECT_FALSE(hub.isOpen());
  ::CloseHandle(holder);
  EXPECT_EQ(recordsAfterEnumeration(),
            (Texts{"m_PrideviceDescriptor:  " + path, "Return status of open: 32"}));
}
#endif

}  // namespace
