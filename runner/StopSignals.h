#pragma once

#if !defined(_WIN32)
#include <signal.h>
#endif

#include <chrono>

namespace KestraDiags {
namespace HalvexHost {

// SIGINT and SIGTERM as a request to stop between two rounds. While an object lives the two
// signals are held back, so a round is never cut short; they are taken when the host waits.
// POSIX in StopSignals_posix.cpp; on Windows the requests are Ctrl+C and Ctrl+Break
// (StopSignals_windows.cpp).
class StopSignals {
 public:
  StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  ~StopSignals();

  // Waits until the given time, or until descriptor turns readable (-1: none; POSIX only); true
  // when a stop was requested before or during the wait.
  bool waitForStop(std::chrono::steady_clock::time_point until, int descriptor);

 private:
#if !defined(_WIN32)
  sigset_t m_previousMask;
  int m_requests = -1;  // the held-back signals, readable as a descriptor
#endif
};

}  // namespace HalvexHost
}  // namespace KestraDiags
