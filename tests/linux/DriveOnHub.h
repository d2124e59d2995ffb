#pragma once

#include "UsbTestbed.h"

// The smallest bus the event tests need: a root hub (usb1), a hub on its port 2 (1-2) and a flash
// drive (0781:5567 Cruzer Blade) on the hub's port 3 (1-2.3).
namespace DriveOnHub {

void build(UsbTestbed& testbed);

}  // namespace DriveOnHub
