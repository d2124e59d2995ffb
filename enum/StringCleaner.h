#pragma once

#include <string>

namespace KestraDiags {
namespace Halvex {

// Makes a device description safe for the host's displays and reports.
class StringCleaner {
 public:
  // "&" becomes " AND ", quotes, angle brackets and backslashes become "~", letters, digits and
  // a fixed set of punctuation stay, everything else is dropped.
  void ParseNRemChars(std::string& text);

 private:
  [[maybe_unused]] bool m_reserved = false;
};

}  // namespace Halvex
}  // namespace KestraDiags
