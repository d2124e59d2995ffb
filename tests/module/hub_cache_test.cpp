// The hub cache that each device keeps, which no output of halvex-host shows: the walks of
// tests/topologies/hub-cache.json, whose records the golden test compares.
#include "ModuleFixture.h"

namespace {

using HubCacheTest = ModuleTest;

TEST_F(HubCacheTest, KeepsTheLowerPortOfEachKeyAndTheEntriesBeforeAThrow) {
  setEnvironment("LUDREL_TOPOLOGY", HALVEX_TOPOLOGIES_DIR "/hub-cache.json");
  m_enumerator.reset(m_module.getIDeviceEnumerator(false, kNormal));
  std::string caches;
  for (VirtualDevice& device : *m_enumerator->getDeviceVector("", 0)) {
    caches += device.getDevice()->getDeviceLocation() + ":";
    for (const auto& [key, port] : static_cast<HalvexDevice*>(device.getDevice())->getHubCache()) {
      caches += " " + std::to_string(port) + "=" + key;
    }
    caches += "\n";
  }
  EXPECT_EQ(caches,
            "usb1: 3=other 2=same\nusb2: 1=one 2=two\nusb3:\nusb4:\nusb5:\n"
            "usb6: 3=5B7D:2500 Composite\nusb7: 3=0bda:2500 Reader\nusb8:\nusb9:\nusb10:\n"
            "usb11: 3=0000:0000 Odd\nusb12:\nusb13: 3=zelt4 board\n");
}

}  // namespace
