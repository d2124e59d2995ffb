#include "windows/WindowsFailure.h"

#include <windows.h>

namespace KestraDiags {
namespace Ludrel {

Failure windowsFailure(const char* name, const std::string& what, unsigned long error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length > 0 ? std::string(text, length) : std::string("unknown error");
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return makeFailure(name, what + ": " + reason + " (Windows error " + std::to_string(error) + ")");
}

}  // namespace Ludrel
}  // namespace KestraDiags
