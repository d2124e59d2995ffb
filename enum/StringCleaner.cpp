#include "enum/StringCleaner.h"

#include <cstddef>

namespace KestraDiags {
namespace Halvex {

namespace {

// What becomes of each byte, looked up by its value: one table read per byte instead of two
// searches through the punctuation lists.
enum class ByteRule : unsigned char { kDrop, kKeep, kTilde, kAnd };

constexpr const char* kKeptPunctuation = " -()#_.^*{:}~!,;@[]`+";
constexpr const char* kTildeBytes = "<>\"'\\";

struct ByteRules {
  ByteRule rule[256] = {};
};

constexpr ByteRules makeByteRules() {
  ByteRules rules;
  // Only ASCII letters and digits, whatever the locale; every other byte, NUL included, is
  // dropped unless a list below names it.
  for (int byte = 0; byte < 256; ++byte) {
    const bool alnum = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9');
    if (alnum) rules.rule[byte] = ByteRule::kKeep;
  }
  for (const char* kept = kKeptPunctuation; *kept != '\0'; ++kept) {
    rules.rule[static_cast<unsigned char>(*kept)] = ByteRule::kKeep;
  }
  for (const char* tilde = kTildeBytes; *tilde != '\0'; ++tilde) {
    rules.rule[static_cast<unsigned char>(*tilde)] = ByteRule::kTilde;
  }
  rules.rule[static_cast<unsigned char>('&')] = ByteRule::kAnd;
  return rules;
}

constexpr ByteRules kByteRules = makeByteRules();

}  // namespace

void StringCleaner::ParseNRemChars(std::string& text) {
  // Most texts come out as they went in: measure first, so that those cost no new string and
  // the others exactly one of their final size.
  constexpr std::size_t kCleanedLength[] = {0, 1, 1, 5};  // by ByteRule
  std::size_t cleanedSize = 0;
  bool changed = false;
  for (const char byte : text) {
    const ByteRule rule = kByteRules.rule[static_cast<unsigned char>(byte)];
    cleanedSize += kCleanedLength[static_cast<unsigned char>(rule)];
    changed = changed || rule != ByteRule::kKeep;
  }
  if (!changed) return;
  std::string cleaned;
  cleaned.reserve(cleanedSize);
  for (const char byte : text) {
    switch (kByteRules.rule[static_cast<unsigned char>(byte)]) {
      case ByteRule::kKeep:
        cleaned += byte;
        break;
      case ByteRule::kTilde:
        cleaned += '~';
        break;
      case ByteRule::kAnd:
        cleaned += " AND ";
        break;
      case ByteRule::kDrop:
        break;
    }
  }
  text.swap(cleaned);
}

}  // namespace Halvex
}  // namespace KestraDiags
