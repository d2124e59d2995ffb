#include "ModuleFixture.h"
#include "Topology.h"

#include "../support/NamedCase.h"

namespace {

using Cache = std::map<std::string, int>;

class HubCacheTest : public ModuleTest {
 protected:
  // The cache of a 4-port root hub whose ports answer as given.
  Cache cacheOf(const Json& portStates) {
    useTopology(topology(Json::array({with(rootHub("/hub", 4), portStates)})));
    m_enumerator.reset(m_module.getIDeviceEnumerator(true, kNormal));
    std::vector<VirtualDevice>* devices = m_enumerator->getDeviceVector("", 0);
    EXPECT_EQ(devices->size(), 1u);
    return devices->empty() ? Cache{} : deviceAt(*devices, 0)->getHubCache();
  }
  static Json with(Json hub, const Json& portStates) {
    hub["portStates"] = portStates;
    return hub;
  }

  EnumeratorPtr m_enumerator;
};

struct KeyCase {
  const char* name;
  std::string key;
  bool cached;
  const char* skipRecord;  // the record written for a skipped key, without its value
};

ROW_PRINTS_AS_ITS_NAME(KeyCase)

class KeyFilterTest : public HubCacheTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyFilterTest, SkipsOnlyTheRemoteAccessControllersDevices) {
  const KeyCase& c = GetParam();
  const Cache cache = cacheOf(Json::array({port(3, c.key)}));
  EXPECT_EQ(cache, (c.cached ? Cache{{c.key, 3}} : Cache{}));
  const auto texts = traceTexts(enumeratorLog());
  const bool skipTraced =
      std::find(texts.begin(), texts.end(), std::string(c.skipRecord) + " " + c.key) != texts.end();
  EXPECT_EQ(skipTraced, !c.cached);
}

constexpr const char* kZelt4 = "Found ZELT4 USB Composite Device, ignoring:";
constexpr const char* kZelt5 = "Found ZELT5 USB Composite Device/Media, ignoring:";

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyFilterTest,
    ::testing::Values(KeyCase{"Zelt4Name", "ZELT4 Keyboard", false, kZelt4},
                      KeyCase{"Zelt4Ids", "5b7d:2500 Composite", false, kZelt4},
                      KeyCase{"Zelt4IdsUpperCase", "5B7D:2500 Composite", true, ""},
                      KeyCase{"Product2500OtherVendor", "0bda:2500 Reader", true, ""},
                      KeyCase{"Zelt5Name", "ZELT5 Media", false, kZelt5},
                      KeyCase{"Zelt5Ids0000", "5b7d:0000 Media", false, kZelt5},
                      KeyCase{"Zelt5Ids0001", "5b7d:0001 Storage", false, kZelt5},
                      KeyCase{"Zeros Without Vendor", "0000:0000 Odd", true, ""},
                      KeyCase{"Zelt4BeforeZelt5", "ZELT5 5b7d:2500", false, kZelt4},
                      KeyCase{"LowerCaseName", "zelt4 board", true, ""}),
    [](const ::testing::TestParamInfo<KeyCase>& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
      return name;
    });

TEST_F(HubCacheTest, SameKeyOnTwoPortsKeepsTheLowerPort) {
  EXPECT_EQ(cacheOf(Json::array({port(2, "same"), port(4, "same"), port(3, "other")})),
            (Cache{{"same", 2}, {"other", 3}}));
}

TEST_F(HubCacheTest, FreePortWritesNoKeyRecord) {
  cacheOf(Json::array({port(2, "only")}));
  const auto texts = traceTexts(enumeratorLog());
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.rfind(" -> Key:", 0) == 0; }),
            1);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Port Index: 2"), texts.end());
}

TEST_F(HubCacheTest, IntFromThePortQueryEndsTheWalkAndKeepsEarlierEntries) {
  const Cache cache = cacheOf(Json::array({port(1, "one"),
                                           port(2, "two"),
                                           {{"port", 3}, {"isPortBusyThrows", thrown("int", 42)}},
                                           port(4, "four")}));
  EXPECT_EQ(cache, (Cache{{"one", 1}, {"two", 2}}));
  const auto texts = traceTexts(enumeratorLog());
  const auto error = std::find(texts.begin(), texts.end(), "Error: 42");
  ASSERT_NE(error, texts.end());
  EXPECT_EQ(*(error + 1), "Leaving HalvexDevice::FillHubCache");
  EXPECT_EQ(*(error + 2), "Size of Hub Cache: 2");
  EXPECT_EQ(std::find(texts.begin(), texts.end(), " -> Key: four"), texts.end());
}

struct PortCountCase {
  const char* name;
  int ports;
  std::size_t keyRecords;
};

ROW_PRINTS_AS_ITS_NAME(PortCountCase)

class PortCountTest : public HubCacheTest, public ::testing::WithParamInterface<PortCountCase> {};

TEST_P(PortCountTest, AsksPortsOneToTheCount) {
  Json busyPorts = Json::array();
  for (int number = 1; number <= GetParam().ports; ++number) {
    busyPorts.push_back(port(number, "key " + std::to_string(number)));
  }
  const Json hub = with(rootHub("/hub", GetParam().ports), busyPorts);
  useTopology(topology(Json::array({hub})));
  EnumeratorPtr(m_module.getIDeviceEnumerator(true, kNormal))->getDeviceVector("", 0);
  const auto texts = traceTexts(enumeratorLog());
  EXPECT_EQ(static_cast<std::size_t>(
                std::count_if(texts.begin(), texts.end(),
                              [](const std::string& t) { return t.rfind("Port Index:", 0) == 0; })),
            GetParam().keyRecords);
}

INSTANTIATE_TEST_SUITE_P(Counts, PortCountTest,
                         ::testing::Values(PortCountCase{"Negative", -1, 0},
                                           PortCountCase{"Zero", 0, 0}, PortCountCase{"One", 1, 1},
                                           PortCountCase{"Three", 3, 3}),
                         [](const ::testing::TestParamInfo<PortCountCase>& info) {
                           return info.param.name;
                         });

}  // namespace
