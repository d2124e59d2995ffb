#include "HostTest.h"

// Each "*" tries every length up to the end of its line, the shortest first.
bool matches(std::string_view text, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return text == pattern;
  if (text.substr(0, star) != pattern.substr(0, star)) return false;
  for (std::size_t end = star; end <= text.size(); ++end) {
    if (matches(text.substr(end), pattern.substr(star + 1))) return true;
    if (end == text.size() || text[end] == '\n') break;
  }
  return false;
}
