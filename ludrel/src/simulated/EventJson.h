#pragma once

#include "simulated/JsonFields.h"

namespace KestraDiags {
namespace Ludrel {

// The longest delay an entry of the "events" list may give: an hour, so that no sum of delays
// overflows the clock.
constexpr std::uint32_t kLongestEventDelayMs = 60 * 60 * 1000;

// An entry of the "events" list, read and written as one pair. The reader checks the entry's own
// members; which hub, port or device they name is checked against the devices when they are known.
void from_json(const Json& value, EventEntry& entry);
void to_json(OrderedJson& value, const EventEntry& entry);

}  // namespace Ludrel
}  // namespace KestraDiags
