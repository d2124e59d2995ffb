#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ludrel/USBDeviceFinder.h"
#include "ludrel/Usb_Device.h"

// Each test gets its own directory for topology files and points LUDREL_TOPOLOGY at its file.
class TopologyTest : public ::testing::Test {
 protected:
  TopologyTest();
  ~TopologyTest() override;

  // Writes text (any bytes) to name in the test's directory and returns its path.
  std::string writeFile(const std::string& name, const std::string& text) const;
  // Writes the topology and makes it the one that new finders read.
  std::string useTopology(const std::string& json) const;
  static void useTopologyPath(const std::string& path);

  std::filesystem::path m_dir;
};

// Every record of a fresh finder's enumeration, in the order Next hands them out.
std::vector<Usb_Device> enumerate();

// A topology that holds just the given device entries.
std::string topologyOf(const std::string& deviceEntries);
