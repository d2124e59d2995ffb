#include "simulated/JsonFields.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "ludrel/RecordNumbers.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr std::pair<const char*, std::int32_t> kTypeNames[] = {
    {"host-controller", DeviceType::kHostController},
    {"root-hub", DeviceType::kRootHub},
    {"hub", DeviceType::kExternalHub},
    {"device", DeviceType::kOtherDevice}};

constexpr const char* kThrownTypes[] = {"string", "unsigned long", "int"};  // as ThrownValue

// How a value looks in a message: scalars as written, containers by kind.
std::string shown(const Json& value) {
  if (value.is_object()) return "an object";
  if (value.is_array()) return "a list";
  constexpr std::size_t kLongest = 40;
  std::string text = value.dump();
  if (text.size() > kLongest) text = text.substr(0, kLongest) + "...";
  return text;
}

// A whole number of type T, or nothing when it lies outside T's range.
template <typename T>
std::optional<T> wholeNumber(const Json& value) {
  using Limits = std::numeric_limits<T>;
  if (!value.is_number()) refuseAsNot(value, "a whole number");
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(Limits::max())) return std::nullopt;
    return static_cast<T>(number);
  }
  std::int64_t number = 0;
  if (value.is_number_float()) {
    // The parser keeps numbers too large for 64 bits as floating point; it has no infinities.
    const double real = value.get<double>();
    if (real != std::trunc(real)) refuseAsNot(value, "a whole number");
    constexpr double kBeyondInt64 = 9.2e18;
    if (std::fabs(real) >= kBeyondInt64) return std::nullopt;
    number = static_cast<std::int64_t>(real);
  } else {
    number = value.get<std::int64_t>();
  }
  if (number < static_cast<std::int64_t>(Limits::min()) ||
      (number > 0 &&
       static_cast<std::uint64_t>(number) > static_cast<std::uint64_t>(Limits::max()))) {
    return std::nullopt;
  }
  return static_cast<T>(number);
}

template <typename T>
T readRanged(const Json& value) {
  if (const std::optional<T> number = wholeNumber<T>(value)) return *number;
  refuse(value, "out of range: " + shown(value) + " is not between " +
                    std::to_string(std::numeric_limits<T>::min()) + " and " +
                    std::to_string(std::numeric_limits<T>::max()));
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void refuse(const Json& value, const std::string& problem) {
  throw Json::other_error::create(501, problem, &value);
}

void refuseAsNot(const Json& value, const std::string& expected) {
  refuse(value, "expected " + expected + ", got " + shown(value));
}

void requireMembers(const Json& value, std::initializer_list<const char*> members) {
  if (!value.is_object()) refuseAsNot(value, "an object");
  for (const auto& member : value.items()) {
    bool known = member.key() == "comment";
    for (const char* name : members) known = known || member.key() == name;
    if (known) continue;
    std::string list;
    for (const char* name : members) list += name + std::string(", ");
    refuse(member.value(), "unknown member; an object here may hold " + list + "comment");
  }
}

std::int32_t readInt32(const Json& value) { return readRanged<std::int32_t>(value); }

std::uint16_t readWord(const Json& value) { return readRanged<std::uint16_t>(value); }

std::uint32_t readCount(const Json& value) { return readRanged<std::uint32_t>(value); }

std::int32_t readUsbId(const Json& value) {
  constexpr const char* kExpected = "a USB ID as hex text such as \"0x5B7D\" or a number";
  std::uint64_t id = 0;
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!prefixed || text.size() > 2 + 16) refuseAsNot(value, kExpected);
    for (std::size_t i = 2; i < text.size(); ++i) {
      if (!isHexDigit(text[i])) refuseAsNot(value, kExpected);
    }
    id = std::stoull(text.substr(2), nullptr, 16);
  } else if (value.is_number()) {
    const std::optional<std::int64_t> number = wholeNumber<std::int64_t>(value);
    id = number && *number >= 0 ? static_cast<std::uint64_t>(*number) : 0x10000;
  } else {
    refuseAsNot(value, kExpected);
  }
  if (id > 0xFFFF)
    refuse(value, "out of range: " + shown(value) + " is not between 0x0000 and 0xFFFF");
  return static_cast<std::int32_t>(id);
}

std::string readText(const Json& value) {
  std::string text = value.get<std::string>();
  if (text.find('\0') != std::string::npos) {
    refuse(value, "the text holds a NUL character (\\u0000), which a device text cannot carry");
  }
  return text;
}

std::int32_t readDeviceType(const Json& value) {
  if (value.is_number()) return readInt32(value);
  for (const auto& [name, number] : kTypeNames) {
    if (value.is_string() && value.get_ref<const std::string&>() == name) return number;
  }
  refuseAsNot(value, "\"host-controller\", \"root-hub\", \"hub\", \"device\" or a type number");
}

ThrownValue readThrownValue(const Json& value) {
  requireMembers(value, {"type", "value"});
  if (!value.contains("type"))
    refuse(value, "missing \"type\": \"string\", \"unsigned long\" or \"int\"");
  if (!value.contains("value")) refuse(value, "missing \"value\": what is thrown");
  const std::string type = readText(value.at("type"));
  if (type == kThrownTypes[0]) return readText(value.at("value"));
  if (type == kThrownTypes[1]) return readRanged<unsigned long>(value.at("value"));
  if (type == kThrownTypes[2]) return readRanged<int>(value.at("value"));
  refuseAsNot(value.at("type"), "\"string\", \"unsigned long\" or \"int\"");
}

std::string usbIdText(std::int32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(id));
  return text;
}

OrderedJson deviceTypeJson(std::int32_t type) {
  for (const auto& [name, number] : kTypeNames) {
    if (number == type) return name;
  }
  return type;
}

OrderedJson thrownValueJson(const ThrownValue& value) {
  OrderedJson thrown = {{"type", kThrownTypes[value.index()]}};
  std::visit([&thrown](const auto& content) { thrown["value"] = content; }, value);
  return thrown;
}

}  // namespace Ludrel
}  // namespace KestraDiags
