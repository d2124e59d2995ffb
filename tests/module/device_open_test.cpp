#include <dirent.h>

#include "ModuleFixture.h"
#include "Topology.h"

#include "../support/NamedCase.h"

namespace {

using KestraDiags::Halvex::DEV_ERR_ACCESS_DENIED;
using KestraDiags::Halvex::DEV_ERR_NOT_CONNECTED;
using KestraDiags::Halvex::DEV_ERR_OPEN_FAILED;
using Texts = std::vector<std::string>;

std::size_t openDescriptors() {
  std::size_t count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (::readdir(dir) != nullptr) ++count;
  ::closedir(dir);
  return count;
}

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

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailureTest,
    ::testing::Values(OpenFailureCase{"Missing", "/nonexistent-halvex-hub", DEV_ERR_NOT_CONNECTED,
                                      2},
                      OpenFailureCase{"Directory", "/tmp", DEV_ERR_ACCESS_DENIED, 5},
                      OpenFailureCase{"ReadOnlyAttribute", "/sys/devices/system/cpu/online",
                                      DEV_ERR_ACCESS_DENIED, 5},
                      OpenFailureCase{"BelowAFile", "/dev/null/hub", DEV_ERR_OPEN_FAILED, 3}),
    [](const ::testing::TestParamInfo<OpenFailureCase>& info) { return info.param.name; });

TEST_F(DeviceOpenTest, DeviceWithoutPathFailsAsAnEmptyPath) {
  useTopology(topology(Json::array({usbDevice("Keyboard")})));
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(false, kNormal));
  HalvexDevice& keyboard = *deviceAt(*enumerator->getDeviceVector("", 0), 0);
  EXPECT_EQ(keyboard.open(0), DEV_ERR_OPEN_FAILED);
  EXPECT_FALSE(keyboard.isOpen());
}

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

}  // namespace
