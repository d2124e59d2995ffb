#pragma once

#include <string>

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

// Failure names of the Windows backend, beside the library's common ones.
namespace WindowsErrorName {
constexpr const char* kNoUsbBus = "LUDREL_ERROR_NO_USB_BUS";
}  // namespace WindowsErrorName

// A failed Windows call: "what: the system's text (Windows error N)".
Failure windowsFailure(const char* name, const std::string& what, unsigned long error);

}  // namespace Ludrel
}  // namespace KestraDiags
