#pragma once

#include "tessary/IDevice.h"

namespace KestraDiags {
namespace TessaryTests {

// A device that counts its deletions, so that tests can tell "never" from "twice".
class TestDevice : public DeviceEnum::IDevice {
 public:
  explicit TestDevice(int* deletions = nullptr, const char* deviceType = "TestType")
      : IDevice("NAME_KEY", "DISABLED_KEY", "1", "DESCRIPTION_KEY", deviceType, 7, "caller"),
        m_deletions(deletions) {}
  TestDevice(const char* nameKey, const char* disabledKey, const char* enabledFlag,
             const char* descriptionKey, const char* deviceType, unsigned int callerValue,
             const char* callerText)
      : IDevice(nameKey, disabledKey, enabledFlag, descriptionKey, deviceType, callerValue,
                callerText),
        m_deletions(nullptr) {}
  ~TestDevice() override {
    if (m_deletions != nullptr) {
      ++*m_deletions;
    }
  }

  unsigned int open(unsigned int) override { return 0; }
  void close() override {}
  void deviceControl(unsigned int) override {}

  bool deviceFlag() const { return m_deviceFlag; }
  void setDeviceStatus(DeviceStatus status) { m_deviceStatus = status; }

 private:
  int* m_deletions;
};

}  // namespace TessaryTests
}  // namespace KestraDiags
