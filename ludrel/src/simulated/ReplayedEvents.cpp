#include "simulated/ReplayedEvents.h"

namespace KestraDiags {
namespace Ludrel {

ReplayedEvents::ReplayedEvents(const std::vector<ScheduledEvent>& events,
                               std::chrono::steady_clock::time_point opened) {
  std::chrono::steady_clock::time_point due = opened;
  for (const ScheduledEvent& scheduled : events) {
    due += scheduled.after;
    m_pending.push_back({due, scheduled.event});
  }
}

int ReplayedEvents::descriptor() const { return -1; }

std::optional<std::chrono::steady_clock::time_point> ReplayedEvents::nextDue() const {
  if (m_pending.empty()) return std::nullopt;
  return m_pending.front().due;
}

std::vector<UsbEvent> ReplayedEvents::take() {
  const auto now = std::chrono::steady_clock::now();
  std::vector<UsbEvent> due;
  while (!m_pending.empty() && m_pending.front().due <= now) {
    due.push_back(std::move(m_pending.front().event));
    due.back().time = std::chrono::system_clock::now();
    m_pending.pop_front();
  }
  return due;
}

}  // namespace Ludrel
}  // namespace KestraDiags
