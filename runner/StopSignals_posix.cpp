#include "StopSignals.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

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
  // A descriptor, so that one wait covers a stop request and the USB events.
  m_requests = signalfd(-1, &set, SFD_CLOEXEC);
}

StopSignals::~StopSignals() {
  // A second request still pending would end the process the moment the signals are let
  // through again; it asked for what is happening anyway.
  const sigset_t set = stopSignalSet();
  timespec noWait{0, 0};
  while (sigtimedwait(&set, nullptr, &noWait) >= 0) {
  }
  if (m_requests >= 0) close(m_requests);
  sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool StopSignals::waitForStop(std::chrono::steady_clock::time_point until, int descriptor) {
  pollfd waited[] = {{m_requests, POLLIN, 0}, {descriptor, POLLIN, 0}};
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                           static_cast<long>(left.count() % 1000000000)};
    // A negative descriptor is left out of the wait.
    const int ready = ppoll(waited, descriptor >= 0 ? 2 : 1, &timeout, nullptr);
    if (ready < 0 && errno == EINTR) continue;  // another signal with a handler
    if (ready < 0) return false;
    if (waited[0].revents != 0) {
      signalfd_siginfo request;
      return read(m_requests, &request, sizeof(request)) == sizeof(request);
    }
    if (ready > 0) return false;
  }
}

}  // namespace HalvexHost
}  // namespace KestraDiags
