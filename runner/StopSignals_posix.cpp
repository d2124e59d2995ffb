#include "StopSignals.h"

#include <signal.h>

#include <cerrno>

namespace KestraDiags {
namespace HalvexHost {

namespace {

sigset_t stopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t set = stopSignalSet();
  sigprocmask(SIG_BLOCK, &set, &m_previousMask);
}

StopSignals::~StopSignals() {
  // A second request still pending would end the process the moment the signals are let
  // through again; it asked for what is happening anyway.
  const sigset_t set = stopSignalSet();
  timespec noWait{0, 0};
  while (sigtimedwait(&set, nullptr, &noWait) >= 0) {
  }
  sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool StopSignals::waitForStop(std::chrono::seconds duration) {
  const sigset_t set = stopSignalSet();
  const auto deadline = std::chrono::steady_clock::now() + duration;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) return false;
    timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                     static_cast<long>(left.count() % 1000000000)};
    if (sigtimedwait(&set, nullptr, &timeout) >= 0) return true;
    // Any other signal that has a handler interrupts the wait; the time left still counts.
    if (errno != EINTR) return false;
  }
}

}  // namespace HalvexHost
}  // namespace KestraDiags
