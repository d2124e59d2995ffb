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

// Device to host, class request, recipient "other" (a port) or the device (the hub itself).
constexpr std::uint8_t kPortRequestType = 0xA3;
constexpr std::uint8_t kHubRequestType = 0xA0;
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

// GET_STATUS of the port, or of the hub itself for port 0.
Result<StatusWords> askStatus(int descriptor, const std::string& hub, int port) {
  unsigned char answer[kPortStatusLength] = {};
  usbdevfs_ctrltransfer request = {};
  request.bRequestType = port == 0 ? kHubRequestType : kPortRequestType;
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
  const std::optional<StatusWords> words = statusWords(answer, length);
  if (!words) return shortReplyFailure(hub, port, length);
  return *words;
}

Result<StatusWords> askOwnNode(const std::string& hub, int port) {
  const OwnDescriptor node(hub);
  if (node.descriptor() < 0) return nodeOpenFailure(hub, node.error());
  return askStatus(node.descriptor(), hub, port);
}

}  // namespace

Result<StatusWords> readPortStatus(const std::string& hub, int port, void* handle) {
  // The port number travels in the low byte of wIndex.
  if (port < 1 || port > HubLimits::kMostPorts) return badPortFailure(hub, port);
  if (handle != nullptr) {
    // The module's handle of an opened hub is its file descriptor.
    return askStatus(static_cast<int>(reinterpret_cast<std::intptr_t>(handle)), hub, port);
  }
  return askOwnNode(hub, port);
}

Result<StatusWords> readHubStatus(const std::string& hub) { return askOwnNode(hub, 0); }

}  // namespace Ludrel
}  // namespace KestraDiags
