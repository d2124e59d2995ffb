#include "Failure.h"

#include <cstdio>

namespace KestraDiags {
namespace Ludrel {

Failure makeFailure(const char* name, const std::string& message) {
  // Messages quote file names and file contents; escaping keeps them one line of plain text.
  std::string line;
  line.reserve(message.size());
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      line += c;
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      line += escaped;
    }
  }
  return Failure{name, line};
}

}  // namespace Ludrel
}  // namespace KestraDiags
