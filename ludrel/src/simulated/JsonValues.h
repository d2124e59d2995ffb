#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

using Json = nlohmann::json;

// A value of the wrong shape. Thrown only inside the topology parser, which turns it into a
// failure; place is the value's JSON pointer, such as "/devices/3/vendor".
struct FormatError {
  std::string place;
  std::string problem;
};

std::string memberPlace(const std::string& place, const std::string& member);
std::string elementPlace(const std::string& place, std::size_t index);

// Throws a FormatError saying what was expected at place and what came instead.
[[noreturn]] void throwExpected(const std::string& place, const std::string& expected,
                                const Json& value);

// Each reader checks the value's type and range and throws a FormatError naming the place.
void requireObject(const Json& value, const std::string& place,
                   const std::vector<const char*>& knownMembers);
const Json::array_t& readList(const Json& value, const std::string& place);
std::int32_t readInt32(const Json& value, const std::string& place);
std::int32_t readUsbId(const Json& value, const std::string& place);
bool readBool(const Json& value, const std::string& place);
std::string readText(const Json& value, const std::string& place);
ThrownValue readThrownValue(const Json& value, const std::string& place);

}  // namespace Ludrel
}  // namespace KestraDiags
