#pragma once

#include <memory>

#include "ludrel/UsbEvents.h"

struct udev;
struct udev_device;
struct udev_monitor;

namespace KestraDiags {
namespace Ludrel {

// The machine's USB events as udev announces them: a hub's "change" with OVER_CURRENT_PORT, and
// USB devices added and removed. Other uevents are read and dropped.
class UdevEvents : public UsbEventSource {
 public:
  // Fails with LUDREL_ERROR_NOT_SUPPORTED when no udev monitor can be made.
  static Result<std::shared_ptr<UsbEventSource>> open();
  ~UdevEvents() override;

  int descriptor() const override;
  std::optional<std::chrono::steady_clock::time_point> nextDue() const override;
  std::vector<UsbEvent> take() override;

 private:
  UdevEvents(udev* context, udev_monitor* monitor);

  udev* m_udev;
  udev_monitor* m_monitor;
};

}  // namespace Ludrel
}  // namespace KestraDiags
