// The hub driver's answers, byte by byte as the driver fills them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "../ludrel/StatusText.h"
#include "windows/HubAnswers.h"

using namespace KestraDiags::Ludrel;

namespace {

constexpr const char* kHub =
    R"(\\?\usb#root_hub30#4&2f0a3c9&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";

void put(Bytes& bytes, std::size_t offset, std::initializer_list<unsigned char> values) {
  for (const unsigned char value : values) bytes.at(offset++) = value;
}

void putLittleEndian(Bytes& bytes, std::size_t offset, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes.at(offset + i) = 0xFF & (value >> (8 * i));
}

// A node information answer of a hub with the given node type and port count.
Bytes nodeInformation(unsigned char nodeType, unsigned char ports) {
  Bytes answer(HubAnswerLayout::kNodeInformationSize, 0);
  put(answer, 0, {nodeType, 0, 0, 0});
  put(answer, 4, {9, 0x29, ports, 0xE9, 0x00, 0x32, 0x64});  // length, type, ports, ...
  return answer;
}

// A connection answer for a Logitech receiver (046d:c52b, bcdDevice 12.01) on port 3. Every
// neighbour of a field read holds a value of its own, so that a read one byte off shows.
Bytes connectionInformation(std::uint32_t status) {
  Bytes answer(HubAnswerLayout::kConnectionInformationSize, 0xAA);
  put(answer, 0, {3, 0, 0, 0});                           // ConnectionIndex
  put(answer, 4, {18, 1, 0x00, 0x02, 0, 0, 0, 8});        // bLength ... bMaxPacketSize0
  put(answer, 12, {0x6D, 0x04, 0x2B, 0xC5, 0x01, 0x12});  // idVendor, idProduct, bcd
  put(answer, 18, {1, 2, 0, 1});                          // strings, configurations
  put(answer, 22, {1, 2, 0, 0x07, 0x00});                 // configuration ... DeviceAddress
  put(answer, 27, {0xFF, 0xFF, 0xFF, 0xFF});              // NumberOfOpenPipes
  putLittleEndian(answer, 31, status, 4);
  return answer;
}

// A driver key answer: ConnectionIndex, ActualLength, then the name in UTF-16 with its NUL.
Bytes driverKeyAnswer(const std::u16string& name, std::size_t actualLength) {
  Bytes answer(HubAnswerLayout::kDriverKeyName + 2 * (name.size() + 1), 0);
  put(answer, 0, {2, 0, 0, 0});
  putLittleEndian(answer, 4, static_cast<std::uint32_t>(actualLength), 4);
  for (std::size_t i = 0; i < name.size(); ++i) {
    putLittleEndian(answer, HubAnswerLayout::kDriverKeyName + 2 * i, name[i], 2);
  }
  return answer;
}

const std::u16string kDriverKey = u"{36fc9e60-c465-11cf-8056-444553540000}\\0012";
const std::size_t kDriverKeyAnswerSize =
    HubAnswerLayout::kDriverKeyName + 2 * (kDriverKey.size() + 1);

// "NAME: message" of a failure, to compare both at once.
template <typename T>
std::string failureOf(const Result<T>& result) {
  return result.ok() ? "no failure" : result.failure().name + ": " + result.failure().message;
}

const std::string kFormat = "LUDREL_ERROR_FORMAT: " + std::string(kHub);

// The connection status tells whether a device is on the port and whether it is in over-current
// now; the driver keeps no count and no status words, so the rest stays unset. Of the answers to
// the over-current check, only over-current and an empty port stand out.
TEST(ConnectionStatus, GivesThePortStatusAndTheOverCurrentAnswer) {
  const struct {
    const char* status;
    std::uint32_t value;
    const char* flags;
    int answer;
  } cases[] = {
      {"NoDeviceConnected", 0, " ?enabled ?powered", -1},
      {"DeviceConnected", 1, " connected ?enabled ?powered", 0},
      {"DeviceGeneralFailure", 3, " connected ?enabled ?powered", 0},
      {"DeviceCausedOvercurrent", 4, " connected ?enabled ?powered overCurrent", 2},
      {"DeviceNotEnoughPower", 5, " connected ?enabled ?powered", 0},
      {"a status of a later Windows", 0x104, " connected ?enabled ?powered", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(statusText::ofAnswer(portStatusOf(c.value)),
              std::string("no words:") + c.flags + " ?overCurrentChange ?reset ?suspended");
    EXPECT_EQ(overCurrentAnswerOf(c.value), c.answer);
  }
}

TEST(PortQuery, CarriesThePortLittleEndianInAZeroedBuffer) {
  EXPECT_EQ(portQuery(0x01020304, 12), (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A buffer shorter than the index is filled as far as it goes.
  EXPECT_EQ(portQuery(7, 2), (Bytes{7, 0}));
}

TEST(PortCount, IsTheHubDescriptorsNumberOfPortsFromAHubsWholeAnswer) {
  EXPECT_EQ(portCountOf(nodeInformation(0, 255), kHub).value(), 255);  // a byte, never negative
  Bytes cut = nodeInformation(0, 7);
  cut.resize(HubAnswerLayout::kNumberOfPorts + 1);
  EXPECT_EQ(portCountOf(cut, kHub).value(), 7);
  cut.pop_back();
  EXPECT_EQ(failureOf(portCountOf(cut, kHub)),
            kFormat + ": the hub's answer to IOCTL_USB_GET_NODE_INFORMATION is 6 bytes, too short");
  EXPECT_EQ(failureOf(portCountOf(nodeInformation(1, 4), kHub)), kFormat + ": the node is no hub");
}

TEST(PortConnection, ReadsTheDeviceAndTheWholeStatusOfAWholeAnswer) {
  const Result<PortConnection> connection =
      portConnectionOf(connectionInformation(ConnectionStatus::kDeviceConnected), kHub, 3);
  ASSERT_TRUE(connection.ok()) << connection.failure().message;
  EXPECT_EQ(connection.value().status, ConnectionStatus::kDeviceConnected);
  EXPECT_EQ(connection.value().vendor, 0x046D);
  EXPECT_EQ(connection.value().product, 0xC52B);

  Bytes withPipes = connectionInformation(0x00000104);
  withPipes.resize(withPipes.size() + 2 * 11, 0x55);  // two USB_PIPE_INFO entries
  EXPECT_EQ(portConnectionOf(withPipes, kHub, 3).value().status, 0x00000104u);

  Bytes cut = connectionInformation(ConnectionStatus::kDeviceConnected);
  cut.pop_back();
  EXPECT_EQ(failureOf(portConnectionOf(cut, kHub, 3)),
            kFormat +
                ": port 3: the hub's answer to IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX "
                "is 34 bytes, too short");
}

TEST(DriverKey, TheFirstAnswerTellsTheSizeOfTheWholeUpToTheLargestToTrust) {
  Bytes first = driverKeyAnswer(u"", kDriverKeyAnswerSize);
  first.resize(12);  // what fits into USB_NODE_CONNECTION_DRIVERKEY_NAME
  EXPECT_EQ(driverKeyAnswerSize(first, kHub, 2).value(), kDriverKeyAnswerSize);
  const Bytes largest = driverKeyAnswer(kDriverKey, HubAnswerLayout::kMaximumDriverKeyAnswer);
  EXPECT_EQ(driverKeyAnswerSize(largest, kHub, 2).value(),
            HubAnswerLayout::kMaximumDriverKeyAnswer);

  const Bytes huge = driverKeyAnswer(kDriverKey, HubAnswerLayout::kMaximumDriverKeyAnswer + 1);
  EXPECT_EQ(failureOf(driverKeyAnswerSize(huge, kHub, 2)),
            kFormat + ": port 2: the driver key answer claims 4097 bytes, more than 4096");
  EXPECT_EQ(failureOf(driverKeyAnswerSize(Bytes(7, 0), kHub, 2)),
            kFormat + ": port 2: the driver key answer is 7 bytes, too short");
  const Bytes none = driverKeyAnswer(u"", HubAnswerLayout::kDriverKeyName);
  EXPECT_EQ(failureOf(driverKeyAnswerSize(none, kHub, 2)),
            kFormat + ": port 2: the device has no driver key");
  EXPECT_EQ(failureOf(driverKeyNameOf(driverKeyAnswer(u"", kDriverKeyAnswerSize), kHub, 2)),
            kFormat + ": port 2: the driver key name is empty");
}

TEST(DriverKey, NameEndsAtItsNulAtTheAnswersLengthOrAtTheBufferAndIsAscii) {
  const std::string name = R"({36fc9e60-c465-11cf-8056-444553540000}\0012)";
  EXPECT_EQ(driverKeyNameOf(driverKeyAnswer(kDriverKey, kDriverKeyAnswerSize), kHub, 2).value(),
            name);
  const Bytes tenCharacters = driverKeyAnswer(kDriverKey, HubAnswerLayout::kDriverKeyName + 20);
  EXPECT_EQ(driverKeyNameOf(tenCharacters, kHub, 2).value(), name.substr(0, 10));
  Bytes truncated = driverKeyAnswer(kDriverKey, kDriverKeyAnswerSize);
  truncated.resize(HubAnswerLayout::kDriverKeyName + 2 * 5 + 1);  // half a sixth character
  EXPECT_EQ(driverKeyNameOf(truncated, kHub, 2).value(), name.substr(0, 5));
  EXPECT_EQ(driverKeyNameOf(driverKeyAnswer(u"{k\u00e9y}\\\u4e2d1", 64), kHub, 2).value(),
            "{k?y}\\?1");
}

TEST(PortKey, TheDriverInstanceWithoutItsLeadingZeros) {
  // No "0000" or "0001" from the class or the first instances: the hub cache would take the
  // remote-access controller's integrated hub for its composite device.
  EXPECT_EQ(portKeyText(0x5B7D, 0xA001, R"({36fc9e60-c465-11cf-8056-444553540000}\0000)"),
            "5b7d:a001 #0");
  EXPECT_EQ(portKeyText(0x5B7D, 0xA001, R"({36fc9e60-c465-11cf-8056-444553540000}\0001)"),
            "5b7d:a001 #1");
  EXPECT_EQ(portKeyText(0x5B7D, 0x2500, R"({k}\0003)"), "5b7d:2500 #3");
}

}  // namespace
