#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A device's vendor:product ID as lsusb writes it, and the --id filter that picks devices by it.
namespace KestraDiags {
namespace HalvexHost {

struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

// "1d6b", four lower-case hexadecimal digits.
std::string hexId(std::uint16_t id);

// "1d6b:0002"; "-" when the ID is not known.
std::string usbIdText(const std::optional<UsbId>& id);

// VVVV[:PPPP]: a vendor, and the product where given.
struct UsbIdFilter {
  std::uint16_t vendor = 0;
  std::optional<std::uint16_t> product;

  bool matches(const std::optional<UsbId>& id) const;
};

// One to four hexadecimal digits each, as lsusb -d takes them; nothing for any other text.
std::optional<UsbIdFilter> parseUsbIdFilter(const std::string& text);

}  // namespace HalvexHost
}  // namespace KestraDiags
