#include "log/ctime_text.h"

#include <ctime>

const char* currentCtimeText() noexcept {
  // Every written trace record carries this text, and the conversion to local time costs more
  // than the rest of the stamp: it is made once per second and thread, and reused within it.
  thread_local std::time_t t_second = -1;
  thread_local char t_text[26] = {};
  const std::time_t now = std::time(nullptr);
  if (now != t_second) {
#if defined(_WIN32)
    if (ctime_s(t_text, sizeof t_text, &now) != 0) t_text[0] = '\0';
#else
    if (ctime_r(&now, t_text) == nullptr) t_text[0] = '\0';
#endif
    t_second = now;
  }
  return t_text;
}
