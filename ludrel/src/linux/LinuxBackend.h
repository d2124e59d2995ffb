#pragma once

#include <map>
#include <optional>
#include <string>

#include "Backend.h"
#include "linux/RecordBuilder.h"

namespace KestraDiags {
namespace Ludrel {

// Answers from the machine: devices and ports from sysfs, port states from the hubs themselves
// through usbfs.
class LinuxBackend : public Backend {
 public:
  std::string name() const override;
  Result<DeviceList> collectDevices() override;
  void completeRecord(std::size_t index, Usb_Device& record) override;
  Result<bool> portKey(const std::string& hub, int port, std::string& key) override;
  Result<int> overCurrentState(const std::string& hub, int port, void* handle) override;
  Result<PortStatus> portStatus(const std::string& hub, int port) override;
  Result<HubStatus> hubStatus(const std::string& hub) override;
  Result<std::shared_ptr<UsbEventSource>> openEvents() override;

 private:
  // Names from usb.ids; the database is read at the first device that needs it.
  NameLookup nameLookup();
  // The sysfs name of the hub whose usbfs node is hub.
  Result<std::string> hubName(const std::string& hub);

  std::optional<std::optional<std::string>> m_usbIds;
  // From the last collectDevices: hub sysfs names by usbfs node, device keys by sysfs name.
  std::map<std::string, std::string> m_hubNamesByNode;
  std::map<std::string, std::string> m_keysByName;
  // Hubs looked up by a backend that did not enumerate: a hub's ports then cost one pass over
  // sysfs, not one each.
  std::map<std::string, std::string> m_hubNamesLookedUp;
};

}  // namespace Ludrel
}  // namespace KestraDiags
