#include "linux/SysfsText.h"

#include <cstdio>
#include <limits>

namespace KestraDiags {
namespace Ludrel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

int digitValue(char c, int base) {
  int value = base;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

std::optional<int> numberAttribute(std::string_view raw, int base) {
  std::string digits = trimmedAttribute(raw);
  if (base == 16 && digits.size() > 2 && digits[0] == '0' &&
      (digits[1] == 'x' || digits[1] == 'X')) {
    digits.erase(0, 2);
  }
  if (digits.empty()) return std::nullopt;
  long long number = 0;
  for (const char c : digits) {
    const int digit = digitValue(c, base);
    if (digit < 0) return std::nullopt;
    number = number * base + digit;
    if (number > std::numeric_limits<int>::max()) return std::nullopt;
  }
  return static_cast<int>(number);
}

}  // namespace

std::string attributeText(std::string_view raw) {
  if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
  return std::string(raw);
}

std::string trimmedAttribute(std::string_view raw) {
  while (!raw.empty() && isBlank(raw.front())) raw.remove_prefix(1);
  while (!raw.empty() && isBlank(raw.back())) raw.remove_suffix(1);
  return std::string(raw);
}

std::optional<int> hexAttribute(std::string_view raw) { return numberAttribute(raw, 16); }

std::optional<int> decimalAttribute(std::string_view raw) { return numberAttribute(raw, 10); }

std::string formatted(const char* format, int a, int b, int c) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

}  // namespace Ludrel
}  // namespace KestraDiags
