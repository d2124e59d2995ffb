#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

void throwValue(const ThrownValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) throw *text;
  if (const auto* number = std::get_if<unsigned long>(&value)) throw *number;
  throw std::get<int>(value);
}

}  // namespace Ludrel
}  // namespace KestraDiags
