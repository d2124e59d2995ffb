#include "TopologyFixture.h"

#include <cstdlib>
#include <fstream>
#include <memory>

TopologyTest::TopologyTest() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ludrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_dir = pattern;
}

TopologyTest::~TopologyTest() {
  unsetenv("LUDREL_TOPOLOGY");
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
  setenv("LUDREL_TOPOLOGY", path.c_str(), 1);
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
