#include <windows.h>

#include <algorithm>

#include "StopSignals.h"

namespace KestraDiags {
namespace HalvexHost {

namespace {

// Set by the console's stop events; the handler runs on a thread of its own.
HANDLE g_stopRequested = nullptr;

// A closed console or a shutdown ends the process whatever the handler does, so they are left
// to the default handling.
BOOL WINAPI onConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(g_stopRequested);
  return TRUE;
}

}  // namespace

// Ctrl+C and Ctrl+Break are the Windows stop requests. They are taken at once but only
// recorded, so a round is never cut short.
StopSignals::StopSignals() {
  g_stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

StopSignals::~StopSignals() {
  SetConsoleCtrlHandler(onConsoleControl, FALSE);
  CloseHandle(g_stopRequested);
  g_stopRequested = nullptr;
}

// There is no descriptor to wait on here: the caller wakes for its events by the time.
bool StopSignals::waitForStop(std::chrono::steady_clock::time_point until, int) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now())
                        .count();
  // INFINITE is a value of its own, not a longest wait; a wait cut short is simply made again.
  const DWORD milliseconds = static_cast<DWORD>(std::clamp<long long>(left, 0, INFINITE - 1));
  return WaitForSingleObject(g_stopRequested, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace HalvexHost
}  // namespace KestraDiags
