#pragma once

#include "tessary/IDevice.h"

namespace KestraDiags {
namespace TessaryTests {

// A device that counts its deletions, so that tests can tell "never" from "twice".
class TestDevice : public DeviceEnum::IDevice {
 public:
  explicit TestDevice(int* deletions = nullptr)
      : IDevice("NAME_KEY", "DISABLED_KEY", "1", "DESCRIPTION_KEY", "TestType", 7, "caller"),
        m_deletions(deletions) {}
  ~TestDevice() override {
    if (m_deletions != nullptr) ++*m_deletions;
  }

  unsigned int open(unsigned int) override { return 0; }
  void close() override {}
  void deviceControl(unsigned int) override {}

 private:
  int* m_deletions;
};

}  // namespace TessaryTests
}  // namespace KestraDiags
