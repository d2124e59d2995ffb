#pragma once

#include <string>

namespace KestraDiags {
namespace TessaryInternal {

// Callers may hand null for a text they do not have; it stands for the empty text.
inline std::string textOrEmpty(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

}  // namespace TessaryInternal
}  // namespace KestraDiags
