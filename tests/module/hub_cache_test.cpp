#include "ModuleFixture.h"

namespace {

using Cache = std::map<std::string, int>;

struct WalkCase {
  const char* name;
  int ports;
  Json portStates;
  Cache cache;
  Texts portRecords;  // those between the port count and the walk's end
};
ROW_PRINTS_AS_ITS_NAME(WalkCase)

class HubCacheTest : public ModuleTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(HubCacheTest, AsksPortsOneToTheCountAndKeepsTheLowerPortOfEachKey) {
  const WalkCase& c = GetParam();
  Devices& devices =
      enumerate(Json::array({with(rootHub("/hub", c.ports), "portStates", c.portStates)}));
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(deviceAt(devices, 0)->getHubCache(), c.cache);
  const Texts records = from(traceTexts(enumeratorLog()), "Entering HalvexDevice::FillHubCache");
  const Texts expected = Texts{"Entering HalvexDevice::FillHubCache", "sHubDescriptor: /hub",
                               "nNumofPorts: " + std::to_string(c.ports)} +
                         c.portRecords +
                         Texts{"Leaving HalvexDevice::FillHubCache",
                               "Size of Hub Cache: " + std::to_string(c.cache.size())};
  ASSERT_GE(records.size(), expected.size());
  EXPECT_EQ(Texts(records.begin(), records.begin() + expected.size()), expected);
}

constexpr const char* kZelt4 = "Found ZELT4 USB Composite Device, ignoring:";
constexpr const char* kZelt5 = "Found ZELT5 USB Composite Device/Media, ignoring:";

// A four-port hub with one device on port 3, known by that key: cached, or skipped with that
// record.
WalkCase keyOnPort3(const char* name, const std::string& key, const char* skipRecord) {
  const Texts found = {" -> Key: " + key, "Port Index: 3"};
  if (skipRecord == nullptr) return {name, 4, Json::array({port(3, key)}), {{key, 3}}, found};
  return {name, 4, Json::array({port(3, key)}), {}, found + Texts{skipRecord + (" " + key)}};
}

const WalkCase kWalks[] = {
    {"SameKeyKeepsTheLowerPortAndFreePortsWriteNothing",
     4,
     Json::array({port(2, "same"), port(4, "same"), port(3, "other")}),
     {{"same", 2}, {"other", 3}},
     {" -> Key: same", "Port Index: 2", " -> Key: other", "Port Index: 3", " -> Key: same",
      "Port Index: 4"}},
    {"IntFromThePortQueryEndsTheWalkAndKeepsEarlierEntries",
     4,
     Json::array({port(1, "one"),
                  port(2, "two"),
                  {{"port", 3}, {"isPortBusyThrows", thrown("int", 42)}},
                  port(4, "four")}),
     {{"one", 1}, {"two", 2}},
     {" -> Key: one", "Port Index: 1", " -> Key: two", "Port Index: 2", "Error: 42"}},
    // No ports at all: the root hub's records in enumerator_test.cpp.
    {"NegativeCount", -1, Json::array(), {}, {}},
    // Only the remote-access controller's composite devices stay out, by name or by lower-case IDs.
    keyOnPort3("Zelt4Name", "ZELT4 Keyboard", kZelt4),
    keyOnPort3("Zelt4Ids", "5b7d:2500 Composite", kZelt4),
    keyOnPort3("Zelt4IdsUpperCase", "5B7D:2500 Composite", nullptr),
    keyOnPort3("Product2500OtherVendor", "0bda:2500 Reader", nullptr),
    keyOnPort3("Zelt5Name", "ZELT5 Media", kZelt5),
    keyOnPort3("Zelt5Ids0000", "5b7d:0000 Media", kZelt5),
    keyOnPort3("Zelt5Ids0001", "5b7d:0001 Storage", kZelt5),
    keyOnPort3("ZerosWithoutVendor", "0000:0000 Odd", nullptr),
    keyOnPort3("Zelt4BeforeZelt5", "ZELT5 5b7d:2500", kZelt4),
    keyOnPort3("LowerCaseName", "zelt4 board", nullptr),
};
INSTANTIATE_TEST_SUITE_P(Hubs, HubCacheTest, ::testing::ValuesIn(kWalks), RowName());

}  // namespace
