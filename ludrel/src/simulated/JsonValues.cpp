#include "simulated/JsonValues.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <type_traits>

namespace KestraDiags {
namespace Ludrel {
namespace {

// How a value looks in a message: scalars as written, containers by kind.
std::string shown(const Json& value) {
  if (value.is_object()) return "an object";
  if (value.is_array()) return "a list";
  constexpr std::size_t kLongest = 40;
  std::string text = value.dump();
  if (text.size() > kLongest) text = text.substr(0, kLongest) + "...";
  return text;
}

[[noreturn]] void fail(const std::string& place, const std::string& problem) {
  throw FormatError{place, problem};
}

// A whole number of type T, or nothing when it lies outside T's range.
template <typename T>
std::optional<T> wholeNumber(const Json& value, const std::string& place) {
  constexpr T kLow = std::numeric_limits<T>::min();
  constexpr T kHigh = std::numeric_limits<T>::max();
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number <= static_cast<std::uint64_t>(kHigh)) return static_cast<T>(number);
    return std::nullopt;
  }
  std::int64_t number = 0;
  if (value.is_number_integer()) {
    number = value.get<std::int64_t>();
  } else if (value.is_number_float()) {
    // The parser keeps numbers too large for 64 bits as floating point.
    const double real = value.get<double>();
    if (!std::isfinite(real) || real != std::trunc(real)) {
      throwExpected(place, "a whole number", value);
    }
    constexpr double kBeyondInt64 = 9.2e18;
    if (std::fabs(real) >= kBeyondInt64) return std::nullopt;
    number = static_cast<std::int64_t>(real);
  } else {
    throwExpected(place, "a whole number", value);
  }
  if constexpr (std::is_signed_v<T>) {
    if (number < static_cast<std::int64_t>(kLow) || number > static_cast<std::int64_t>(kHigh)) {
      return std::nullopt;
    }
  } else {
    if (number < 0 || static_cast<std::uint64_t>(number) > static_cast<std::uint64_t>(kHigh)) {
      return std::nullopt;
    }
  }
  return static_cast<T>(number);
}

template <typename T>
T readRanged(const Json& value, const std::string& place) {
  if (const std::optional<T> number = wholeNumber<T>(value, place)) return *number;
  fail(place, "out of range: " + shown(value) + " is not between " +
                  std::to_string(std::numeric_limits<T>::min()) + " and " +
                  std::to_string(std::numeric_limits<T>::max()));
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

void throwExpected(const std::string& place, const std::string& expected, const Json& value) {
  fail(place, "expected " + expected + ", got " + shown(value));
}

std::string memberPlace(const std::string& place, const std::string& member) {
  // A JSON pointer writes "~" as "~0" and "/" as "~1" inside a member name.
  std::string escaped;
  for (const char c : member) {
    if (c == '~') {
      escaped += "~0";
    } else if (c == '/') {
      escaped += "~1";
    } else {
      escaped += c;
    }
  }
  return place + "/" + escaped;
}

std::string elementPlace(const std::string& place, std::size_t index) {
  return place + "/" + std::to_string(index);
}

void requireObject(const Json& value, const std::string& place,
                   const std::vector<const char*>& knownMembers) {
  if (!value.is_object()) throwExpected(place, "an object", value);
  for (const auto& member : value.items()) {
    bool known = false;
    for (const char* name : knownMembers) known = known || member.key() == name;
    if (known) continue;
    std::string list;
    for (const char* name : knownMembers) list += (list.empty() ? "" : ", ") + std::string(name);
    fail(memberPlace(place, member.key()), "unknown member; an object here may hold " + list);
  }
}

const Json::array_t& readList(const Json& value, const std::string& place) {
  if (!value.is_array()) throwExpected(place, "a list", value);
  return value.get_ref<const Json::array_t&>();
}

std::int32_t readInt32(const Json& value, const std::string& place) {
  return readRanged<std::int32_t>(value, place);
}

std::int32_t readUsbId(const Json& value, const std::string& place) {
  constexpr const char* kExpected = "a USB ID as hex text such as \"0x5B7D\" or a number";
  std::uint64_t id = 0;
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!prefixed || text.size() > 2 + 16) throwExpected(place, kExpected, value);
    for (std::size_t i = 2; i < text.size(); ++i) {
      if (!isHexDigit(text[i])) throwExpected(place, kExpected, value);
    }
    id = std::stoull(text.substr(2), nullptr, 16);
  } else if (value.is_number()) {
    const std::optional<std::int64_t> number = wholeNumber<std::int64_t>(value, place);
    id = number && *number >= 0 ? static_cast<std::uint64_t>(*number) : 0x10000;
  } else {
    throwExpected(place, kExpected, value);
  }
  if (id > 0xFFFF) {
    fail(place, "out of range: " + shown(value) + " is not between 0x0000 and 0xFFFF");
  }
  return static_cast<std::int32_t>(id);
}

bool readBool(const Json& value, const std::string& place) {
  if (!value.is_boolean()) throwExpected(place, "true or false", value);
  return value.get<bool>();
}

std::string readText(const Json& value, const std::string& place) {
  if (!value.is_string()) throwExpected(place, "a text", value);
  const std::string& text = value.get_ref<const std::string&>();
  if (text.find('\0') != std::string::npos) {
    fail(place, "the text holds a NUL character (\\u0000), which a device text cannot carry");
  }
  return text;
}

ThrownValue readThrownValue(const Json& value, const std::string& place) {
  requireObject(value, place, {"type", "value", "comment"});
  const std::string typePlace = memberPlace(place, "type");
  const std::string valuePlace = memberPlace(place, "value");
  if (!value.contains("type")) {
    fail(typePlace, "missing: say \"string\", \"unsigned long\" or \"int\"");
  }
  if (!value.contains("value")) fail(valuePlace, "missing: say what is thrown");
  const std::string type = readText(value["type"], typePlace);
  if (type == "string") return readText(value["value"], valuePlace);
  if (type == "unsigned long") return readRanged<unsigned long>(value["value"], valuePlace);
  if (type == "int") return readRanged<int>(value["value"], valuePlace);
  throwExpected(typePlace, "\"string\", \"unsigned long\" or \"int\"", value["type"]);
}

}  // namespace Ludrel
}  // namespace KestraDiags
