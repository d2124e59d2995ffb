#pragma once

#include "simulated/JsonFields.h"

namespace KestraDiags {
namespace Ludrel {

// The format's records, read and written by one pair each so that what is written reads back.
// A reader refuses a value of the wrong shape with an error that names its JSON pointer.
void from_json(const Json& value, PortState& state);
void to_json(OrderedJson& value, const PortState& state);

void from_json(const Json& value, DeviceEntry& entry);
void to_json(OrderedJson& value, const DeviceEntry& entry);

void from_json(const Json& value, TopologyDocument& topology);
void to_json(OrderedJson& value, const TopologyDocument& topology);

}  // namespace Ludrel
}  // namespace KestraDiags
