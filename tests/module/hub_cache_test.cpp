#include "ModuleFixture.h"

namespace {

using Cache = std::map<std::string, int>;

class HubCacheTest : public ModuleTest {
 protected:
  // The cache of a root hub with that many ports, which answer as given.
  Cache cacheOf(int ports, const Json& portStates) {
    Devices& devices =
        enumerate(Json::array({with(rootHub("/hub", ports), "portStates", portStates)}));
    EXPECT_EQ(devices.size(), 1u);
    return devices.empty() ? Cache{} : deviceAt(devices, 0)->getHubCache();
  }
  // The first count records from the hub cache's entry on.
  Texts cacheRecords(std::size_t count) const {
    const Texts all = from(traceTexts(enumeratorLog()), "Entering HalvexDevice::FillHubCache");
    return Texts(all.begin(), all.begin() + std::min(count, all.size()));
  }
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
  EXPECT_EQ(cacheOf(4, Json::array({port(3, c.key)})), (c.cached ? Cache{{c.key, 3}} : Cache{}));
  const Texts texts = traceTexts(enumeratorLog());
  const std::string skipped = std::string(c.skipRecord) + " " + c.key;
  EXPECT_EQ(std::count(texts.begin(), texts.end(), skipped), c.cached ? 0 : 1);
}

constexpr const char* kZelt4 = "Found ZELT4 USB Composite Device, ignoring:";
constexpr const char* kZelt5 = "Found ZELT5 USB Composite Device/Media, ignoring:";

const KeyCase kKeys[] = {
    {"Zelt4Name", "ZELT4 Keyboard", false, kZelt4},
    {"Zelt4Ids", "5b7d:2500 Composite", false, kZelt4},
    {"Zelt4IdsUpperCase", "5B7D:2500 Composite", true, ""},
    {"Product2500OtherVendor", "0bda:2500 Reader", true, ""},
    {"Zelt5Name", "ZELT5 Media", false, kZelt5},
    {"Zelt5Ids0000", "5b7d:0000 Media", false, kZelt5},
    {"Zelt5Ids0001", "5b7d:0001 Storage", false, kZelt5},
    {"ZerosWithoutVendor", "0000:0000 Odd", true, ""},
    {"Zelt4BeforeZelt5", "ZELT5 5b7d:2500", false, kZelt4},
    {"LowerCaseName", "zelt4 board", true, ""},
};
INSTANTIATE_TEST_SUITE_P(Keys, KeyFilterTest, ::testing::ValuesIn(kKeys), RowName());

struct WalkCase {
  const char* name;
  int ports;
  Json portStates;
  Cache cache;
  Texts records;
};
ROW_PRINTS_AS_ITS_NAME(WalkCase)

class PortWalkTest : public HubCacheTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(PortWalkTest, AsksPortsOneToTheCount) {
  EXPECT_EQ(cacheOf(GetParam().ports, GetParam().portStates), GetParam().cache);
  EXPECT_EQ(cacheRecords(GetParam().records.size()), GetParam().records);
}

const WalkCase kWalks[] = {
    {"SameKeyKeepsTheLowerPortAndFreePortsWriteNothing",
     4,
     Json::array({port(2, "same"), port(4, "same"), port(3, "other")}),
     {{"same", 2}, {"other", 3}},
     {"Entering HalvexDevice::FillHubCache", "sHubDescriptor: /hub", "nNumofPorts: 4",
      " -> Key: same", "Port Index: 2", " -> Key: other", "Port Index: 3", " -> Key: same",
      "Port Index: 4", "Leaving HalvexDevice::FillHubCache", "Size of Hub Cache: 2"}},
    {"IntFromThePortQueryEndsTheWalkAndKeepsEarlierEntries",
     4,
     Json::array({port(1, "one"),
                  port(2, "two"),
                  {{"port", 3}, {"isPortBusyThrows", thrown("int", 42)}},
                  port(4, "four")}),
     {{"one", 1}, {"two", 2}},
     {"Entering HalvexDevice::FillHubCache", "sHubDescriptor: /hub", "nNumofPorts: 4",
      " -> Key: one", "Port Index: 1", " -> Key: two", "Port Index: 2", "Error: 42",
      "Leaving HalvexDevice::FillHubCache", "Size of Hub Cache: 2"}},
    {"NoPorts",
     0,
     Json::array(),
     {},
     {"Entering HalvexDevice::FillHubCache", "sHubDescriptor: /hub", "nNumofPorts: 0",
      "Leaving HalvexDevice::FillHubCache", "Size of Hub Cache: 0"}},
    {"NegativeCount",
     -1,
     Json::array(),
     {},
     {"Entering HalvexDevice::FillHubCache", "sHubDescriptor: /hub", "nNumofPorts: -1",
      "Leaving HalvexDevice::FillHubCache", "Size of Hub Cache: 0"}},
};
INSTANTIATE_TEST_SUITE_P(Hubs, PortWalkTest, ::testing::ValuesIn(kWalks), RowName());

}  // namespace
