#include "UsbId.h"

#include <cstdio>
#include <regex>

namespace KestraDiags {
namespace HalvexHost {

std::string hexId(std::uint16_t id) {
  char text[5];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned int>(id));
  return text;
}

std::string usbIdText(const std::optional<UsbId>& id) {
  return id ? hexId(id->vendor) + ":" + hexId(id->product) : "-";
}

bool UsbIdFilter::matches(const std::optional<UsbId>& id) const {
  return id && id->vendor == vendor && (!product || id->product == *product);
}

std::optional<UsbIdFilter> parseUsbIdFilter(const std::string& text) {
  static const std::regex pattern("([0-9A-Fa-f]{1,4})(?::([0-9A-Fa-f]{1,4}))?");
  std::smatch parts;
  if (!std::regex_match(text, parts, pattern)) return std::nullopt;
  UsbIdFilter filter;
  filter.vendor = static_cast<std::uint16_t>(std::stoul(parts[1], nullptr, 16));
  if (parts[2].matched) {
    filter.product = static_cast<std::uint16_t>(std::stoul(parts[2], nullptr, 16));
  }
  return filter;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
