#pragma once

#include "ludrel/Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

// A device whose sSpeed, in Mbit/s as Linux writes it ("480", "5000"), is 5000 or more: a
// SuperSpeed hub, whose port status words are in the SuperSpeed layout.
bool isSuperSpeed(const Usb_Device& record);

}  // namespace Ludrel
}  // namespace KestraDiags
