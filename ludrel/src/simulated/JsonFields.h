#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <nlohmann/json.hpp>

#include "ludrel/TopologyFormat.h"

namespace KestraDiags {
namespace Ludrel {

// Read: member order means nothing to the format.
using Json = nlohmann::json;
// Written: members in the format's own order.
using OrderedJson = nlohmann::ordered_json;

// Throws the error that the topology reader reports for value, which names its JSON pointer.
[[noreturn]] void refuse(const Json& value, const std::string& problem);
// Refuses value as "expected EXPECTED, got VALUE".
[[noreturn]] void refuseAsNot(const Json& value, const std::string& expected);

// Refuses a value that is not an object, or an object with a member that is not in members;
// "comment" may be in any object.
void requireMembers(const Json& value, std::initializer_list<const char*> members);

// Each reads the member name of object into target when it is there.
template <typename T, typename Read>
void readMember(const Json& object, const char* name, T& target, Read read) {
  const auto member = object.find(name);
  if (member != object.end()) target = read(*member);
}

// The format's values: each reader refuses a value of the wrong type or range.
std::int32_t readInt32(const Json& value);
std::uint16_t readWord(const Json& value);   // a 16-bit status word
std::uint32_t readCount(const Json& value);  // 0 and up, 32 bits
std::int32_t readUsbId(const Json& value);
std::string readText(const Json& value);
std::int32_t readDeviceType(const Json& value);
ThrownValue readThrownValue(const Json& value);

std::string usbIdText(std::int32_t id);  // "0x5B7D"
OrderedJson deviceTypeJson(std::int32_t type);
OrderedJson thrownValueJson(const ThrownValue& value);

}  // namespace Ludrel
}  // namespace KestraDiags
