#include "log/ctime_text.h"

#include <ctime>

void appendCtimeText(std::string& out) {
  const std::time_t now = std::time(nullptr);
#if defined(_WIN32)
  char text[26] = {};
  if (ctime_s(text, sizeof text, &now) == 0) out += text;
#else
  char text[26] = {};
  if (ctime_r(&now, text) != nullptr) out += text;
#endif
}
