#pragma once

#include <string>

namespace KestraDiags {
namespace Ludrel {

// A device whose speed, in Mbit/s as Linux writes it ("480", "5000") and a record's sSpeed
// keeps it, is 5000 or more: a SuperSpeed hub, whose port status words are in the SuperSpeed
// layout.
bool isSuperSpeed(const std::string& speed);

}  // namespace Ludrel
}  // namespace KestraDiags
