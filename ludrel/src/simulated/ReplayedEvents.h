#pragma once

#include <chrono>
#include <deque>
#include <vector>

#include "ludrel/UsbEvents.h"
#include "simulated/Topology.h"

namespace KestraDiags {
namespace Ludrel {

// The events of a topology, each handed out once its delays since the opening have passed.
class ReplayedEvents : public UsbEventSource {
 public:
  ReplayedEvents(const std::vector<ScheduledEvent>& events,
                 std::chrono::steady_clock::time_point opened);

  int descriptor() const override;
  std::optional<std::chrono::steady_clock::time_point> nextDue() const override;
  std::vector<UsbEvent> take() override;

 private:
  struct Pending {
    std::chrono::steady_clock::time_point due;
    UsbEvent event;
  };
  std::deque<Pending> m_pending;  // in the order they fall due
};

}  // namespace Ludrel
}  // namespace KestraDiags
