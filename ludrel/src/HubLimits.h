#pragma once

namespace KestraDiags {
namespace Ludrel {

// The most ports a hub can have, whatever reports the count: a hub descriptor counts them in one
// byte, and a SuperSpeed hub's descriptor allows no more than 15.
namespace HubLimits {
constexpr int kMostPorts = 255;
constexpr int kMostSuperSpeedPorts = 15;
}  // namespace HubLimits

}  // namespace Ludrel
}  // namespace KestraDiags
