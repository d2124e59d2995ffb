#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace KestraDiags {
namespace Ludrel {

// Names from the usb.ids database for devices that do not name themselves, as lsusb uses it.
struct UsbIdNames {
  std::string vendor;
  std::string product;
};

// The names that the text of a usb.ids file gives the vendor and product; empty where it has
// none.
UsbIdNames findUsbIdNames(std::string_view database, int vendor, int product);

// The text of the system's usb.ids (Debian's usb.ids or hwdata package); nothing when no
// database is installed.
std::optional<std::string> readUsbIdsDatabase();

}  // namespace Ludrel
}  // namespace KestraDiags
