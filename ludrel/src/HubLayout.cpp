#include "HubLayout.h"

#include <charconv>

namespace KestraDiags {
namespace Ludrel {
namespace {

constexpr int kSuperSpeedMbps = 5000;

}  // namespace

bool isSuperSpeed(const std::string& speed) {
  int mbps = 0;
  const auto [end, error] = std::from_chars(speed.data(), speed.data() + speed.size(), mbps);
  return error == std::errc() && end == speed.data() + speed.size() && mbps >= kSuperSpeedMbps;
}

}  // namespace Ludrel
}  // namespace KestraDiags
