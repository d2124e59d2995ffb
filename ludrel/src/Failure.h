#pragma once

#include <string>

#include "ludrel/Result.h"

namespace KestraDiags {
namespace Ludrel {

// A failure whose message is made one line of printable ASCII: other bytes become \xNN.
Failure makeFailure(const char* name, const std::string& message);

namespace ErrorName {
constexpr const char* kIo = "LUDREL_ERROR_IO";
constexpr const char* kNotFound = "LUDREL_ERROR_NOT_FOUND";
constexpr const char* kTooBig = "LUDREL_ERROR_TOO_BIG";
constexpr const char* kParse = "LUDREL_ERROR_PARSE";
constexpr const char* kFormat = "LUDREL_ERROR_FORMAT";
constexpr const char* kNotSupported = "LUDREL_ERROR_NOT_SUPPORTED";
constexpr const char* kNoUsbBus = "LUDREL_ERROR_NO_USB_BUS";  // the machine has no USB bus
}  // namespace ErrorName

}  // namespace Ludrel
}  // namespace KestraDiags
