#include "linux/UdevEvents.h"

#include <libudev.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Failure.h"
#include "linux/DeviceNames.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

std::string textOf(const char* text) { return text == nullptr ? std::string() : text; }

bool isUsbDevice(udev_device* device) {
  return textOf(udev_device_get_devtype(device)) == "usb_device";
}

// The usbfs node of a USB device, as the records name it: from its node, or from the bus and
// device numbers its uevent carries (a removed device has no sysfs left to read).
std::string nodeOf(udev_device* device) {
  if (const auto node = parseUsbfsNodePath(textOf(udev_device_get_devnode(device)))) {
    return usbfsNodePath(node->bus, node->address);
  }
  const std::string bus = textOf(udev_device_get_property_value(device, "BUSNUM"));
  const std::string address = textOf(udev_device_get_property_value(device, "DEVNUM"));
  if (bus.empty() || address.empty()) return std::string();
  return usbfsNodePath(std::atoi(bus.c_str()), std::atoi(address.c_str()));
}

std::optional<std::uint32_t> countOf(const char* text) {
  if (text == nullptr || *text < '0' || *text > '9') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long count = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || count > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(count);
}

// The hub's over-current that a "change" uevent of the hub, or of its interface, announces.
std::optional<UsbEvent> overCurrentEvent(udev_device* device) {
  const std::optional<int> port =
      portOfPortPath(textOf(udev_device_get_property_value(device, "OVER_CURRENT_PORT")));
  udev_device* hub = isUsbDevice(device) ? device
                                         : udev_device_get_parent_with_subsystem_devtype(
                                               device, "usb", "usb_device");
  if (!port || hub == nullptr) return std::nullopt;
  UsbEvent event;
  event.devicePath = nodeOf(hub);
  event.location = textOf(udev_device_get_sysname(hub));
  event.port = *port;
  event.overCurrentCount = countOf(udev_device_get_property_value(device, "OVER_CURRENT_COUNT"));
  return event;
}

std::optional<UsbEvent> eventOf(udev_device* device) {
  const std::string action = textOf(udev_device_get_action(device));
  if (action == "change") return overCurrentEvent(device);
  if ((action != "add" && action != "remove") || !isUsbDevice(device)) return std::nullopt;
  UsbEvent event;
  event.kind = action == "add" ? UsbEventKind::DeviceAdded : UsbEventKind::DeviceRemoved;
  event.devicePath = nodeOf(device);
  event.location = textOf(udev_device_get_sysname(device));
  return event;
}

}  // namespace

Result<std::shared_ptr<UsbEventSource>> UdevEvents::open() {
  udev* context = udev_new();
  udev_monitor* monitor =
      context == nullptr ? nullptr : udev_monitor_new_from_netlink(context, "udev");
  const bool listening =
      monitor != nullptr &&
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) >= 0 &&
      udev_monitor_enable_receiving(monitor) >= 0;
  if (!listening) {
    const int error = errno;
    udev_monitor_unref(monitor);
    udev_unref(context);
    return makeFailure(ErrorName::kNotSupported,
                       "no udev monitor can be opened" +
                           (error == 0 ? std::string() : ": " + std::string(std::strerror(error))));
  }
  return std::shared_ptr<UsbEventSource>(new UdevEvents(context, monitor));
}

UdevEvents::UdevEvents(udev* context, udev_monitor* monitor)
    : m_udev(context), m_monitor(monitor) {}

UdevEvents::~UdevEvents() {
  udev_monitor_unref(m_monitor);
  udev_unref(m_udev);
}

int UdevEvents::descriptor() const { return udev_monitor_get_fd(m_monitor); }

std::optional<std::chrono::steady_clock::time_point> UdevEvents::nextDue() const {
  return std::nullopt;
}

std::vector<UsbEvent> UdevEvents::take() {
  std::vector<UsbEvent> events;
  // The monitor never waits: it answers null once no uevent is left.
  while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
    if (std::optional<UsbEvent> event = eventOf(device)) {
      event->time = std::chrono::system_clock::now();
      events.push_back(std::move(*event));
    }
    udev_device_unref(device);
  }
  return events;
}

}  // namespace Ludrel
}  // namespace KestraDiags
