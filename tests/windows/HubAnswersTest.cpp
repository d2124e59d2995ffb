// The hub driver's answers, byte by byte as the driver fills them, and what each decodes to,
// whole in tests/expected/windows-hub-answers/.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>

#include "../ludrel/StatusText.h"
#include "../runner/ExpectedFiles.h"
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

// A value, the device of a connection, or "NAME: message" of a failure.
std::ostream& operator<<(std::ostream& out, const PortConnection& connection) {
  return out << "status " << connection.status << ", " << std::hex << connection.vendor << ":"
             << connection.product;
}
template <typename T>
std::string textOf(const Result<T>& result) {
  std::ostringstream text;
  if (!result.ok()) return result.failure().name + ": " + result.failure().message;
  text << result.value();
  return text.str();
}

TEST(HubAnswers, EachDecodesToItsValueOrFailure) {
  std::string text;
  const auto show = [&text](const std::string& what, const std::string& outcome) {
    text += what + ": " + outcome + "\n";
  };
  // The connection status tells whether a device is on the port and whether it is in
  // over-current now; the driver keeps no count and no status words. Of the answers to the
  // over-current check, only over-current and an empty port stand out.
  for (const std::uint32_t status : {0u, 1u, 3u, 4u, 5u, 0x104u}) {
    show("port status and over-current answer of connection status " + std::to_string(status),
         statusText::ofAnswer(portStatusOf(status)) + "; " +
             std::to_string(overCurrentAnswerOf(status)));
  }
  EXPECT_EQ(portQuery(0x01020304, 12), (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A buffer shorter than the index is filled as far as it goes.
  EXPECT_EQ(portQuery(7, 2), (Bytes{7, 0}));

  show("port count of 255", textOf(portCountOf(nodeInformation(0, 255), kHub)));
  Bytes cut = nodeInformation(0, 7);
  cut.resize(HubAnswerLayout::kNumberOfPorts + 1);
  show("port count of 7 in an answer cut after it", textOf(portCountOf(cut, kHub)));
  cut.pop_back();
  show("port count in an answer cut before it", textOf(portCountOf(cut, kHub)));
  show("port count of a node that is no hub", textOf(portCountOf(nodeInformation(1, 4), kHub)));

  show("connection", textOf(portConnectionOf(connectionInformation(1), kHub, 3)));
  Bytes withPipes = connectionInformation(0x00000104);
  withPipes.resize(withPipes.size() + 2 * 11, 0x55);  // two USB_PIPE_INFO entries
  show("connection with two pipes", textOf(portConnectionOf(withPipes, kHub, 3)));
  Bytes cutConnection = connectionInformation(1);
  cutConnection.pop_back();
  show("connection a byte short", textOf(portConnectionOf(cutConnection, kHub, 3)));

  // The first answer tells the size of the whole, up to the largest to trust.
  Bytes first = driverKeyAnswer(u"", kDriverKeyAnswerSize);
  first.resize(12);  // what fits into USB_NODE_CONNECTION_DRIVERKEY_NAME
  show("driver key answer size", textOf(driverKeyAnswerSize(first, kHub, 2)));
  const std::size_t largest = HubAnswerLayout::kMaximumDriverKeyAnswer;
  show("largest driver key answer size",
       textOf(driverKeyAnswerSize(driverKeyAnswer(kDriverKey, largest), kHub, 2)));
  show("driver key answer size over the largest",
       textOf(driverKeyAnswerSize(driverKeyAnswer(kDriverKey, largest + 1), kHub, 2)));
  show("driver key answer of 7 bytes", textOf(driverKeyAnswerSize(Bytes(7, 0), kHub, 2)));
  show("driver key answer without a name",
       textOf(driverKeyAnswerSize(driverKeyAnswer(u"", HubAnswerLayout::kDriverKeyName), kHub, 2)));
  show("empty driver key name",
       textOf(driverKeyNameOf(driverKeyAnswer(u"", kDriverKeyAnswerSize), kHub, 2)));

  // The name ends at its NUL, at the answer's length or at the buffer, and is ASCII.
  show("driver key name",
       textOf(driverKeyNameOf(driverKeyAnswer(kDriverKey, kDriverKeyAnswerSize), kHub, 2)));
  const Bytes tenCharacters = driverKeyAnswer(kDriverKey, HubAnswerLayout::kDriverKeyName + 20);
  show("driver key name of a length of 10", textOf(driverKeyNameOf(tenCharacters, kHub, 2)));
  Bytes truncated = driverKeyAnswer(kDriverKey, kDriverKeyAnswerSize);
  truncated.resize(HubAnswerLayout::kDriverKeyName + 2 * 5 + 1);  // half a sixth character
  show("driver key name cut in its sixth character", textOf(driverKeyNameOf(truncated, kHub, 2)));
  show("driver key name beyond ASCII",
       textOf(driverKeyNameOf(driverKeyAnswer(u"{k\u00e9y}\\\u4e2d1", 64), kHub, 2)));

  // No "0000" or "0001" from the class or the first instances: the hub cache would take the
  // remote-access controller's integrated hub for its composite device.
  for (const char* driverKey : {R"({36fc9e60-c465-11cf-8056-444553540000}\0000)",
                                R"({36fc9e60-c465-11cf-8056-444553540000}\0001)", R"({k}\0003)"}) {
    show(std::string("port key of ") + driverKey, portKeyText(0x5B7D, 0xA001, driverKey));
  }
  expectStoredFiles("windows-hub-answers", {{"answers.txt", text}});
}

}  // namespace
