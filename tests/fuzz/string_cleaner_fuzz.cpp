// The description cleaner on any bytes: only bytes the host's displays accept come out, and a
// cleaned text is clean.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "enum/StringCleaner.h"

namespace {

bool isAllowed(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') ||
         (byte != '\0' && std::strchr(" -()#_.^*{:}~!,;@[]`+", byte) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string once = input;
  KestraDiags::Halvex::StringCleaner().ParseNRemChars(once);
  for (const char byte : once) {
    if (!isAllowed(static_cast<unsigned char>(byte))) std::abort();
  }
  // "&" grows into " AND ", everything else stays one byte or goes.
  if (once.size() > 5 * input.size()) std::abort();
  std::string twice = once;
  KestraDiags::Halvex::StringCleaner().ParseNRemChars(twice);
  if (twice != once) std::abort();
  return 0;
}
