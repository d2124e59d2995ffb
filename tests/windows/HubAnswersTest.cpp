// The hub driver's answers, byte by byte as the driver fills them, and what each decodes to,
// whole in tests/expected/windows-hub-answers/.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "../ludrel/StatusText.h"
#include "../support/ExpectedFiles.h"
#include "windows/HubAnswers.h"

using namespace KestraDiags::Ludrel;

namespace {

constexpr const char* kHub =
    R"(\\?\usb#root_hub30#4&2f0a3c9&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8})";

// Hex bytes, "55x22" for 22 bytes of 0x55, 'text' for the text in UTF-16.
Bytes bytesOf(const std::string& text) {
  std::istringstream tokens(text);
  Bytes bytes;
  for (std::string token; tokens >> token;) {
    if (token.front() == '\'') {
      for (const char c : token.substr(1, token.size() - 2)) {
        bytes.insert(bytes.end(), {static_cast<unsigned char>(c), 0});
      }
    } else {
      const auto value = static_cast<unsigned char>(std::stoul(token.substr(0, 2), nullptr, 16));
      bytes.insert(bytes.end(), token.size() > 3 ? std::stoul(token.substr(3)) : 1, value);
    }
  }
  return bytes;
}

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

// The connection status tells whether a device is on the port and whether it is in over-current
// now; the driver keeps no count and no status words. Of the answers to the over-current check,
// only over-current and an empty port stand out.
std::string statusAnswers(const Bytes& answer) {
  std::uint32_t status = 0;
  for (auto byte = answer.rbegin(); byte != answer.rend(); ++byte) status = status << 8 | *byte;
  return statusText::ofAnswer(portStatusOf(status)) + "; " +
         std::to_string(overCurrentAnswerOf(status));
}

// Each line of hub-answers.txt: the decoder, what the answer is, and its bytes. A driver key
// name ends at its NUL, at the answer's length or at the buffer, and is ASCII.
TEST(HubAnswers, EachDecodesToItsValueOrFailure) {
  const std::map<std::string, std::function<std::string(const Bytes&)>> decoders = {
      {"status", statusAnswers},
      {"ports", [](const Bytes& answer) { return textOf(portCountOf(answer, kHub)); }},
      {"connection", [](const Bytes& answer) { return textOf(portConnectionOf(answer, kHub, 3)); }},
      {"keysize", [](const Bytes& answer) { return textOf(driverKeyAnswerSize(answer, kHub, 2)); }},
      {"keyname", [](const Bytes& answer) { return textOf(driverKeyNameOf(answer, kHub, 2)); }},
  };
  std::ifstream lines(HALVEX_SOURCE_DIR "/tests/windows/hub-answers.txt");
  std::string text;
  for (std::string decoder, what, bytes; lines >> decoder &&
                                         std::getline(lines >> std::ws, what, ':') &&
                                         std::getline(lines, bytes);) {
    text += what + ": " + decoders.at(decoder)(bytesOf(bytes)) + "\n";
  }
  EXPECT_EQ(portQuery(0x01020304, 12), (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A buffer shorter than the index is filled as far as it goes.
  EXPECT_EQ(portQuery(7, 2), (Bytes{7, 0}));

  // No "0000" or "0001" from the class or the first instances: the hub cache would take the
  // remote-access controller's integrated hub for its composite device.
  for (const char* driverKey : {R"({36fc9e60-c465-11cf-8056-444553540000}\0000)",
                                R"({36fc9e60-c465-11cf-8056-444553540000}\0001)", R"({k}\0003)"}) {
    text += std::string("port key of ") + driverKey + ": " +
            portKeyText(0x5B7D, 0xA001, driverKey) + "\n";
  }
  expectStoredFiles("windows-hub-answers", {{"answers.txt", text}});
}

}  // namespace
