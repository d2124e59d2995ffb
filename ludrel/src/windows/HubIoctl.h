#pragma once

#include <string>

#include "ludrel/Result.h"
#include "windows/HubAnswers.h"

namespace KestraDiags {
namespace Ludrel {

// A hub's device interface, open for the hub driver's queries: opened here, or a handle that
// the caller opened and keeps.
class HubHandle {
 public:
  // Opens the hub path for writing with write sharing, as the hub driver requires.
  static Result<HubHandle> open(const std::string& hub);
  // The caller's handle when it is one, else the hub opened here.
  static Result<HubHandle> useOrOpen(void* handle, const std::string& hub);

  HubHandle(HubHandle&& other) noexcept;
  HubHandle& operator=(HubHandle&&) = delete;
  HubHandle(const HubHandle&) = delete;
  HubHandle& operator=(const HubHandle&) = delete;
  ~HubHandle();

  void* get() const { return m_handle; }

 private:
  HubHandle(void* handle, bool owned) : m_handle(handle), m_owned(owned) {}

  void* m_handle;
  bool m_owned;
};

// IOCTL_USB_GET_NODE_INFORMATION: the hub's port count.
Result<int> hubPortCount(const HubHandle& hub, const std::string& hubPath);
// IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX of a port (numbered from 1).
Result<PortConnection> portConnection(const HubHandle& hub, const std::string& hubPath, int port);
// IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME of a port: the driver key of its device.
Result<std::string> portDriverKey(const HubHandle& hub, const std::string& hubPath, int port);

}  // namespace Ludrel
}  // namespace KestraDiags
