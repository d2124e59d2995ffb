#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ludrel/HubStatus.h"
#include "ludrel/Result.h"

namespace KestraDiags {
namespace Ludrel {

// The hub driver's answers to the three port queries, read from their bytes. The layouts are
// those of usbioctl.h, packed to one byte, little-endian; HubIoctl.cpp checks the offsets
// against the SDK's structures. Nothing here calls Windows, so it builds and is tested anywhere.
namespace HubAnswerLayout {
// USB_NODE_INFORMATION: NodeType (UsbHub 0, UsbMIParent 1), then the hub descriptor.
constexpr std::size_t kNodeType = 0;
constexpr std::size_t kNumberOfPorts = 6;  // HubDescriptor.bNumberOfPorts
constexpr std::size_t kNodeInformationSize = 76;
constexpr std::uint32_t kUsbHubNode = 0;

// USB_NODE_CONNECTION_INFORMATION_EX without its pipe list.
constexpr std::size_t kConnectionIndex = 0;
constexpr std::size_t kIdVendor = 12;   // DeviceDescriptor.idVendor
constexpr std::size_t kIdProduct = 14;  // DeviceDescriptor.idProduct
constexpr std::size_t kConnectionStatus = 31;
constexpr std::size_t kConnectionInformationSize = 35;

// USB_NODE_CONNECTION_DRIVERKEY_NAME: ConnectionIndex, ActualLength (of the whole answer, in
// bytes), then the name in UTF-16 with its terminating NUL.
constexpr std::size_t kActualLength = 4;
constexpr std::size_t kDriverKeyName = 8;
// Driver keys are short ("{36fc9e60-c465-11cf-8056-444553540000}\0012"); a larger size is
// no answer to trust.
constexpr std::size_t kMaximumDriverKeyAnswer = 4096;
}  // namespace HubAnswerLayout

// USB_CONNECTION_STATUS values that the library tells apart.
namespace ConnectionStatus {
constexpr std::uint32_t kNoDeviceConnected = 0;
constexpr std::uint32_t kDeviceConnected = 1;
constexpr std::uint32_t kDeviceCausedOvercurrent = 4;
}  // namespace ConnectionStatus

using Bytes = std::vector<unsigned char>;

// A zeroed query buffer of the given size whose ConnectionIndex is the port.
Bytes portQuery(int port, std::size_t size);

// The port count of a hub's node information; a failure when the answer is short or the node
// is no hub (a composite device's parent node answers too).
Result<int> portCountOf(const Bytes& nodeInformation, const std::string& hub);

// What a port's connection information says about it.
struct PortConnection {
  std::uint32_t status = ConnectionStatus::kNoDeviceConnected;
  int vendor = 0;
  int product = 0;
};
Result<PortConnection> portConnectionOf(const Bytes& connectionInformation, const std::string& hub,
                                        int port);

// -1 for an empty port, 2 for a port in over-current, 0 for every other state.
int overCurrentAnswerOf(std::uint32_t connectionStatus);

// What a port's connection status tells of the port: whether a device is on it and whether it
// is in over-current now. The hub driver gives no status words, so every other fact is unset.
PortStatus portStatusOf(std::uint32_t connectionStatus);

// The size of the whole driver key answer, from the fixed part of a first, short answer; a
// failure when it holds no name or is beyond kMaximumDriverKeyAnswer.
Result<std::size_t> driverKeyAnswerSize(const Bytes& shortAnswer, const std::string& hub, int port);
// The driver key name of a complete answer. Driver keys are ASCII; any other character reads
// as "?".
Result<std::string> driverKeyNameOf(const Bytes& answer, const std::string& hub, int port);

// The key text of the device on a port: vendor and product in lower-case hex, then the instance
// number of its driver key, for instance "046d:c52b #12" for the driver key
// "{36fc9e60-c465-11cf-8056-444553540000}\0012". The same text is the sDevKey of the device's own
// record.
std::string portKeyText(int vendor, int product, const std::string& driverKey);

}  // namespace Ludrel
}  // namespace KestraDiags
