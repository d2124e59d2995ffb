#pragma once

#include <string>

namespace KestraDiags {
namespace HalvexHost {

// The open result's name, "UNKNOWN" for a number that is none.
std::string openResultLabel(unsigned int openResult);

// What to do about a failed open: "run as root or with write access to /dev/...".
std::string openFailureHint(unsigned int openResult, const std::string& devicePath);

// "500 DEV_ERR_ACCESS_DENIED: " and the hint.
std::string describeOpenFailure(unsigned int openResult, const std::string& devicePath);

}  // namespace HalvexHost
}  // namespace KestraDiags
