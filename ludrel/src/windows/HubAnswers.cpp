#include "windows/HubAnswers.h"

#include <algorithm>
#include <cstdio>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

std::uint32_t littleEndian(const Bytes& bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i > 0; --i) value = (value << 8) | bytes[offset + i - 1];
  return value;
}

std::string portText(const std::string& hub, int port) {
  return hub + ": port " + std::to_string(port);
}

Failure tooShort(const std::string& what, const char* query, std::size_t length) {
  return makeFailure(ErrorName::kFormat, what + ": the hub's answer to " + query + " is " +
                                             std::to_string(length) + " bytes, too short");
}

}  // namespace

Bytes portQuery(int port, std::size_t size) {
  Bytes query(size, 0);
  const auto index = static_cast<std::uint32_t>(port);
  for (std::size_t i = 0; i < 4 && HubAnswerLayout::kConnectionIndex + i < size; ++i) {
    query[HubAnswerLayout::kConnectionIndex + i] = static_cast<unsigned char>(index >> (8 * i));
  }
  return query;
}

Result<int> portCountOf(const Bytes& nodeInformation, const std::string& hub) {
  if (nodeInformation.size() <= HubAnswerLayout::kNumberOfPorts) {
    return tooShort(hub, "IOCTL_USB_GET_NODE_INFORMATION", nodeInformation.size());
  }
  if (littleEndian(nodeInformation, HubAnswerLayout::kNodeType, 4) !=
      HubAnswerLayout::kUsbHubNode) {
    return makeFailure(ErrorName::kFormat, hub + ": the node is no hub");
  }
  return static_cast<int>(nodeInformation[HubAnswerLayout::kNumberOfPorts]);
}

Result<PortConnection> portConnectionOf(const Bytes& connectionInformation, const std::string& hub,
                                        int port) {
  if (connectionInformation.size() < HubAnswerLayout::kConnectionInformationSize) {
    return tooShort(portText(hub, port), "IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX",
                    connectionInformation.size());
  }
  PortConnection connection;
  connection.status = littleEndian(connectionInformation, HubAnswerLayout::kConnectionStatus, 4);
  connection.vendor =
      static_cast<int>(littleEndian(connectionInformation, HubAnswerLayout::kIdVendor, 2));
  connection.product =
      static_cast<int>(littleEndian(connectionInformation, HubAnswerLayout::kIdProduct, 2));
  return connection;
}

int overCurrentAnswerOf(std::uint32_t connectionStatus) {
  switch (connectionStatus) {
    case ConnectionStatus::kNoDeviceConnected:
      return -1;
    case ConnectionStatus::kDeviceCausedOvercurrent:
      return 2;
  }
  return 0;
}

PortStatus portStatusOf(std::uint32_t connectionStatus) {
  PortStatus port;
  port.flags.connected = connectionStatus != ConnectionStatus::kNoDeviceConnected;
  port.flags.overCurrent = connectionStatus == ConnectionStatus::kDeviceCausedOvercurrent;
  return port;
}

Result<std::size_t> driverKeyAnswerSize(const Bytes& shortAnswer, const std::string& hub,
                                        int port) {
  if (shortAnswer.size() < HubAnswerLayout::kDriverKeyName) {
    return makeFailure(ErrorName::kFormat, portText(hub, port) + ": the driver key answer is " +
                                               std::to_string(shortAnswer.size()) +
                                               " bytes, too short");
  }
  const std::size_t size = littleEndian(shortAnswer, HubAnswerLayout::kActualLength, 4);
  if (size <= HubAnswerLayout::kDriverKeyName) {
    return makeFailure(ErrorName::kFormat, portText(hub, port) + ": the device has no driver key");
  }
  if (size > HubAnswerLayout::kMaximumDriverKeyAnswer) {
    return makeFailure(ErrorName::kFormat,
                       portText(hub, port) + ": the driver key answer claims " +
                           std::to_string(size) + " bytes, more than " +
                           std::to_string(HubAnswerLayout::kMaximumDriverKeyAnswer));
  }
  return size;
}

Result<std::string> driverKeyNameOf(const Bytes& answer, const std::string& hub, int port) {
  const Result<std::size_t> size = driverKeyAnswerSize(answer, hub, port);
  if (!size.ok()) return size.failure();
  const std::size_t end = std::min(size.value(), answer.size());
  std::string name;
  for (std::size_t at = HubAnswerLayout::kDriverKeyName; at + 1 < end; at += 2) {
    const std::uint32_t unit = littleEndian(answer, at, 2);
    if (unit == 0) break;
    name += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  if (name.empty()) {
    return makeFailure(ErrorName::kFormat, portText(hub, port) + ": the driver key name is empty");
  }
  return name;
}

std::string portKeyText(int vendor, int product, const std::string& driverKey) {
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x:%04x", vendor & 0xFFFF, product & 0xFFFF);
  // Only the instance number of the driver key goes in, without leading zeros: the class GUID
  // ends in "0000" and the first instances are "0000" and "0001", which the hub cache would take
  // for the remote-access controller's devices.
  const std::string::size_type slash = driverKey.rfind('\\');
  if (slash == std::string::npos) return ids;
  const std::string instance = driverKey.substr(slash + 1);
  const std::string::size_type firstDigit = instance.find_first_not_of('0');
  return std::string(ids) + " #" +
         (firstDigit == std::string::npos ? std::string("0") : instance.substr(firstDigit));
}

}  // namespace Ludrel
}  // namespace KestraDiags
