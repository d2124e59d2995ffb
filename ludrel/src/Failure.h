#pragma once

#include <string>

namespace KestraDiags {
namespace Ludrel {

// A failure as the library reports it: a fixed name for programs, a one-line message for people.
struct Failure {
  std::string name;
  std::string message;
};

// A failure whose message is made one line of printable ASCII: other bytes become \xNN.
Failure makeFailure(const char* name, const std::string& message);

inline bool operator==(const Failure& a, const Failure& b) {
  return a.name == b.name && a.message == b.message;
}

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
