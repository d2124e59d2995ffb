#pragma once

#include <string>

namespace KestraDiags {
namespace HalvexHost {

// The open result's name, "UNKNOWN" for a number that is none.
std::string openResultLabel(unsigned int openResult);

// What to do about a failed open: "run as root or with write access to /dev/...", or what the
// path is when it is no device node: "/dev/... is a directory, not a device node".
std::string openFailureHint(unsigned int openResult, const std::string& devicePath);

// "500 DEV_ERR_ACCESS_DENIED: " and the hint.
std::string describeOpenFailure(unsigned int openResult, const std::string& devicePath);

}  // namespace HalvexHost
}  // namespace KestraDiags
