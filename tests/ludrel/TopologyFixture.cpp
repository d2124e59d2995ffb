#include "TopologyFixture.h"

#include <fstream>
#include <memory>

#include "../support/Environment.h"
#include "../support/UniqueDirectory.h"

TopologyTest::TopologyTest() : m_dir(makeUniqueDirectory("ludrel-test-")) {}

TopologyTest::~TopologyTest() {
  unsetEnvironment("LUDREL_TOPOLOGY");
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
}

std::string TopologyTest::writeFile(const std::string& name, const std::string& text) const {
  const std::filesystem::path path = m_dir / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path.string();
}

std::string TopologyTest::useTopology(const std::string& json) const {
  const std::string path = writeFile("topology.json", json);
  useTopologyPath(path);
  return path;
}

void TopologyTest::useTopologyPath(const std::string& path) {
  setEnvironment("LUDREL_TOPOLOGY", path);
}

std::vector<Usb_Device> enumerate() {
  KestraDiags::Ludrel::USBDeviceFinder finder(nullptr);
  EXPECT_TRUE(finder.getAllUSBDevices());
  std::vector<Usb_Device> records;
  Usb_Device* record = nullptr;
  while (finder.Next(&record)) {
    records.push_back(*record);
    delete record;
  }
  return records;
}

std::string topologyOf(const std::string& deviceEntries) {
  return R"({"devices": [)" + deviceEntries + "]}";
}
