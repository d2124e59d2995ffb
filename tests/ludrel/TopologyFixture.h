#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../support/Environment.h"
#include "../support/UniqueDirectory.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"
#include "ludrel/Usb_Device.h"

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;
using Texts = std::vector<std::string>;

// Each test gets its own directory for topology files and points LUDREL_TOPOLOGY at its file.
class TopologyTest : public ::testing::Test {
 protected:
  ~TopologyTest() override {
    unsetEnvironment("LUDREL_TOPOLOGY");
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  // Writes text (any bytes) to name in the test's directory, or to name when it is a full path,
  // and returns its path.
  std::string writeFile(const std::string& name, const std::string& text) const {
    const std::string path = (m_dir / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
  }
  // A file of its own for each text: the library knows a file again by its path, size and time,
  // and a file rewritten within the clock's resolution (a second on Windows) would be taken for
  // the one read before.
  std::string newFile(const std::string& text) {
    return writeFile("topology-" + std::to_string(++m_files) + ".json", text);
  }
  // Writes the topology and makes it the one that new finders read.
  std::string useTopology(const std::string& json) { return useTopologyPath(newFile(json)); }
  static std::string useTopologyPath(const std::string& path) {
    setEnvironment("LUDREL_TOPOLOGY", path);
    return path;
  }

  const std::filesystem::path m_dir = makeUniqueDirectory("ludrel-test-");
  int m_files = 0;
};

// A topology that holds just the given device entries.
inline std::string topologyOf(const std::string& deviceEntries) {
  return R"({"devices": [)" + deviceEntries + "]}";
}

// What each call of Next on an enumerated finder gives, up to the one that says there is no
// more: a record's name, or "threw int " and the value the call threw (the simulation throws
// nothing else).
inline Texts nextOutcomes(USBDeviceFinder& finder) {
  Texts outcomes;
  for (bool more = true; more && outcomes.size() < 1000;) {
    Usb_Device* record = nullptr;
    try {
      more = finder.Next(&record);
    } catch (int value) {
      outcomes.push_back("threw int " + std::to_string(value));
    }
    if (record != nullptr) outcomes.push_back(record->sDevName);
    delete record;
  }
  return outcomes;
}

// The name of each record a fresh finder's enumeration hands out, in order.
inline Texts namesRead() {
  USBDeviceFinder finder(nullptr);
  EXPECT_TRUE(finder.getAllUSBDevices()) << USBUtil::lastErrorMessage();
  return nextOutcomes(finder);
}

// What a finder that never enumerated answers for a hub port, as the module asks: busy or free
// with the key (a free port leaves it alone), the over-current answer and the state written back.
inline std::string portAnswers(const std::string& hub, int port) {
  USBDeviceFinder finder(nullptr);
  std::string key = "left alone";
  int state = 12345;
  const bool busy = finder.isPortBusy(hub, port, key, nullptr);
  const int answer = finder.checkforOCState(hub, port, state, nullptr);
  return (busy ? "busy " : "free ") + key + ", " + std::to_string(answer) + ", state " +
         std::to_string(state);
}
