#pragma once

#include "Backend.h"

namespace KestraDiags {
namespace Ludrel {

// Stands in where the library cannot read the machine's USB devices: enumeration fails with
// advice, and every port is free.
class UnsupportedBackend : public Backend {
 public:
  std::string name() const override;
  Result<DeviceList> collectDevices() override;
  void completeRecord(std::size_t index, Usb_Device& record) override;
  Result<bool> portKey(const std::string& hub, int port, std::string& key) override;
  Result<int> overCurrentState(const std::string& hub, int port, void* handle) override;
};

}  // namespace Ludrel
}  // namespace KestraDiags
