#include "linux/HubControl.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "HubLimits.h"
#include "PortStatus.h"
#include "linux/LinuxFailures.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// Device to host, class request, recipient "other" (a port).
constexpr std::uint8_t kPortRequestType = 0xA3;
constexpr std::uint8_t kGetStatus = 0x00;
constexpr unsigned int kTimeoutMilliseconds = 1000;
// A signal may cut a request short; it is tried this often.
constexpr int kAttempts = 3;

// The node opened for one request when the caller has no handle; closed with it.
class OwnDescriptor {
 public:
  explicit OwnDescriptor(const std::string& node)
      : m_descriptor(::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY)), m_error(errno) {}
  ~OwnDescriptor() {
    if (m_descriptor >= 0) ::close(m_descriptor);
  }
  OwnDescriptor(const OwnDescriptor&) = delete;
  OwnDescriptor& operator=(const OwnDescriptor&) = delete;

  int descriptor() const { return m_descriptor; }
  int error() const { return m_error; }

 private:
  int m_descriptor;
  int m_error;
};

Result<std::uint16_t> askPort(int descriptor, const std::string& hub, int port) {
  unsigned char answer[kPortStatusLength] = {};
  usbdevfs_ctrltransfer request = {};
  request.bRequestType = kPortRequestType;
  request.bRequest = kGetStatus;
  request.wValue = 0;
  request.wIndex = static_cast<std::uint16_t>(port);
  request.wLength = kPortStatusLength;
  request.timeout = kTimeoutMilliseconds;
  request.data = answer;
  int length = -1;
  for (int attempt = 0; attempt < kAttempts && length < 0; ++attempt) {
    length = ::ioctl(descriptor, USBDEVFS_CONTROL, &request);
    if (length < 0 && errno != EINTR) return transferFailure(hub, port, errno);
  }
  if (length < 0) return transferFailure(hub, port, EINTR);
  const std::optional<std::uint16_t> status = portStatusWord(answer, length);
  if (!status) return shortReplyFailure(hub, port, length);
  return *status;
}

}  // namespace

Result<std::uint16_t> readPortStatus(const std::string& hub, int port, void* handle) {
  // The port number travels in the low byte of wIndex.
  if (port < 1 || port > HubLimits::kMostPorts) return badPortFailure(hub, port);
  if (handle != nullptr) {
    // The module's handle of an opened hub is its file descriptor.
    return askPort(static_cast<int>(reinterpret_cast<std::intptr_t>(handle)), hub, port);
  }
  const OwnDescriptor node(hub);
  if (node.descriptor() < 0) return nodeOpenFailure(hub, node.error());
  return askPort(node.descriptor(), hub, port);
}

}  // namespace Ludrel
}  // namespace KestraDiags
