#pragma once

#include "Backend.h"

namespace KestraDiags {
namespace Ludrel {

// Answers from the machine: devices from SetupAPI and the configuration manager, ports from the
// hub driver. On a machine without USB (Wine has none) enumeration fails with the reason.
class WindowsBackend : public Backend {
 public:
  std::string name() const override;
  Result<DeviceList> collectDevices() override;
  void completeRecord(std::size_t index, Usb_Device& record) override;
  Result<bool> portKey(const std::string& hub, int port, std::string& key) override;
  Result<int> overCurrentState(const std::string& hub, int port, void* handle) override;
  // Windows tells a hub's own status to no user-mode caller: hubStatus stays unsupported.
  Result<PortStatus> portStatus(const std::string& hub, int port) override;
};

}  // namespace Ludrel
}  // namespace KestraDiags
