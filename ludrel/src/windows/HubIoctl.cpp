#include "windows/HubIoctl.h"

#include <windows.h>

// After windows.h, which they build on.
#include <usbioctl.h>
#include <winioctl.h>

#include <cstddef>
#include <utility>

#include "windows/WindowsFailure.h"

namespace KestraDiags {
namespace Ludrel {

// The byte layouts that HubAnswers reads are the SDK's.
static_assert(offsetof(USB_NODE_INFORMATION, NodeType) == HubAnswerLayout::kNodeType);
static_assert(offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) ==
              HubAnswerLayout::kNumberOfPorts);
static_assert(sizeof(USB_NODE_INFORMATION) == HubAnswerLayout::kNodeInformationSize);
static_assert(UsbHub == HubAnswerLayout::kUsbHubNode);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionIndex) ==
              HubAnswerLayout::kConnectionIndex);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idVendor) ==
              HubAnswerLayout::kIdVendor);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, DeviceDescriptor.idProduct) ==
              HubAnswerLayout::kIdProduct);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, ConnectionStatus) ==
              HubAnswerLayout::kConnectionStatus);
static_assert(sizeof(USB_NODE_CONNECTION_INFORMATION_EX) ==
              HubAnswerLayout::kConnectionInformationSize);
static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ActualLength) ==
              HubAnswerLayout::kActualLength);
static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName) ==
              HubAnswerLayout::kDriverKeyName);
static_assert(NoDeviceConnected == ConnectionStatus::kNoDeviceConnected);
static_assert(DeviceConnected == ConnectionStatus::kDeviceConnected);
static_assert(DeviceCausedOvercurrent == ConnectionStatus::kDeviceCausedOvercurrent);

namespace {

bool isHandle(void* handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// One query of the hub driver; the answer is as long as the driver filled it.
Result<Bytes> ask(const HubHandle& hub, DWORD code, const char* codeName, Bytes query,
                  const std::string& what) {
  DWORD returned = 0;
  if (!DeviceIoControl(hub.get(), code, query.data(), static_cast<DWORD>(query.size()),
                       query.data(), static_cast<DWORD>(query.size()), &returned, nullptr)) {
    return windowsFailure(ErrorName::kIo, what + ": " + codeName, GetLastError());
  }
  query.resize(returned);
  return query;
}

std::string portText(const std::string& hubPath, int port) {
  return hubPath + ": port " + std::to_string(port);
}

}  // namespace

Result<HubHandle> HubHandle::open(const std::string& hub) {
  HANDLE handle =
      CreateFileA(hub.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!isHandle(handle)) {
    return windowsFailure(ErrorName::kIo, "cannot open hub " + hub, GetLastError());
  }
  return HubHandle(handle, true);
}

Result<HubHandle> HubHandle::useOrOpen(void* handle, const std::string& hub) {
  if (isHandle(handle)) return HubHandle(handle, false);
  return open(hub);
}

HubHandle::HubHandle(HubHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_owned(other.m_owned) {}

HubHandle::~HubHandle() {
  if (m_owned && isHandle(m_handle)) CloseHandle(m_handle);
}

Result<int> hubPortCount(const HubHandle& hub, const std::string& hubPath) {
  Result<Bytes> answer = ask(hub, IOCTL_USB_GET_NODE_INFORMATION, "IOCTL_USB_GET_NODE_INFORMATION",
                             Bytes(sizeof(USB_NODE_INFORMATION), 0), hubPath);
  if (!answer.ok()) return answer.failure();
  return portCountOf(answer.value(), hubPath);
}

Result<PortConnection> portConnection(const HubHandle& hub, const std::string& hubPath, int port) {
  // Room for the pipe list that a configured device adds; a too small buffer fails the query.
  constexpr std::size_t kMaximumPipes = 32;
  Result<Bytes> answer = ask(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX,
                             "IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX",
                             portQuery(port, sizeof(USB_NODE_CONNECTION_INFORMATION_EX) +
                                                 kMaximumPipes * sizeof(USB_PIPE_INFO)),
                             portText(hubPath, port));
  if (!answer.ok()) return answer.failure();
  return portConnectionOf(answer.value(), hubPath, port);
}

Result<std::string> portDriverKey(const HubHandle& hub, const std::string& hubPath, int port) {
  // The first answer tells the size of the whole one.
  const std::string what = portText(hubPath, port);
  Result<Bytes> first = ask(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
                            "IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME",
                            portQuery(port, sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME)), what);
  if (!first.ok()) return first.failure();
  const Result<std::size_t> size = driverKeyAnswerSize(first.value(), hubPath, port);
  if (!size.ok()) return size.failure();
  Result<Bytes> whole =
      ask(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
          "IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME", portQuery(port, size.value()), what);
  if (!whole.ok()) return whole.failure();
  return driverKeyNameOf(whole.value(), hubPath, port);
}

}  // namespace Ludrel
}  // namespace KestraDiags
