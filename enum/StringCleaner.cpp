#include "enum/StringCleaner.h"

#include <cstring>

namespace KestraDiags {
namespace Halvex {

namespace {

constexpr const char* kKeptPunctuation = " -()#_.^*{:}~!,;@[]`+";
constexpr const char* kTildeBytes = "<>\"'\\";

// Only ASCII letters and digits, whatever the locale.
bool isAsciiAlnum(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9');
}

// strchr would also match the terminating NUL; a NUL byte in the text is dropped.
bool isOneOf(char byte, const char* set) { return byte != '\0' && std::strchr(set, byte); }

}  // namespace

void StringCleaner::ParseNRemChars(std::string& text) {
  std::string cleaned;
  cleaned.reserve(text.size());
  for (const char byte : text) {
    if (byte == '&') {
      cleaned += " AND ";
    } else if (isOneOf(byte, kTildeBytes)) {
      cleaned += '~';
    } else if (isAsciiAlnum(static_cast<unsigned char>(byte)) || isOneOf(byte, kKeptPunctuation)) {
      cleaned += byte;
    }
  }
  text.swap(cleaned);
}

}  // namespace Halvex
}  // namespace KestraDiags
