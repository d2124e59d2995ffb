#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ludrel/LudrelExport.h"
#include "ludrel/Result.h"

// What the system says the moment the bus changes: a hub sensed an over-current on a port, or a
// device came or went. A long-running host waits on these instead of only polling.
namespace KestraDiags {
namespace Ludrel {

enum class UsbEventKind { OverCurrent, DeviceAdded, DeviceRemoved };

struct UsbEvent {
  UsbEventKind kind = UsbEventKind::OverCurrent;
  // The hub whose port saw the over-current, or the device that came or went, named as the
  // library's records name it: the device path of sDevDescriptor and the location.
  std::string devicePath;
  std::string location;
  int port = 0;  // over-current only: the hub's port, numbered from 1
  // Over-current only: the system's count for the port after this event, where it keeps one.
  std::optional<std::uint32_t> overCurrentCount;
  std::chrono::system_clock::time_point time;  // when the library received the event
};

// The events of the backend that the library's finders use: the machine's device manager, or the
// `events` list of a simulated topology replayed from the moment the source is opened.
class LUDREL_API UsbEventSource {
 public:
  // Failure "LUDREL_ERROR_NOT_SUPPORTED" where the backend has no source of events.
  static Result<std::shared_ptr<UsbEventSource>> open();

  virtual ~UsbEventSource();

  // A descriptor that turns readable when events are waiting; -1 where the source has none.
  virtual int descriptor() const = 0;
  // When the next replayed event falls due; unset when none is scheduled.
  virtual std::optional<std::chrono::steady_clock::time_point> nextDue() const = 0;
  // The events at hand now, oldest first; never waits.
  virtual std::vector<UsbEvent> take() = 0;
};

}  // namespace Ludrel
}  // namespace KestraDiags
