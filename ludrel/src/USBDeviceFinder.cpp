#include "ludrel/USBDeviceFinder.h"

#include <memory>

#include "Backend.h"
#include "BackendChoice.h"
#include "LastFailure.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// Records the failure and, unless it repeats the last one, writes it to the caller's log.
void report(std::ofstream* log, const Failure& failure) {
  if (!recordFailure(failure)) return;
  if (log != nullptr && log->is_open() && log->good()) {
    *log << "Ludrel: " << failure.name << ": " << failure.message << '\n';
    log->flush();
  }
}

}  // namespace

USBDeviceFinder::USBDeviceFinder(std::ofstream* log)
    : m_log(log), m_backend(chooseBackend()), m_next(0) {}

USBDeviceFinder::~USBDeviceFinder() = default;

bool USBDeviceFinder::getAllUSBDevices() {
  // The last failure describes the newest enumeration; one that succeeds leaves none.
  clearLastFailure();
  m_devices.reset();
  m_next = 0;
  Result<DeviceList> devices = m_backend->collectDevices();
  if (!devices.ok()) {
    report(m_log, devices.failure());
    return false;
  }
  m_devices = std::move(devices.value());
  return true;
}

bool USBDeviceFinder::Next(Usb_Device** out) {
  if (out == nullptr || !m_devices || m_next >= m_devices->size()) return false;
  const std::size_t index = m_next++;
  auto record = std::make_unique<Usb_Device>((*m_devices)[index]);
  m_backend->completeRecord(index, *record);
  *out = record.release();
  return true;
}

bool USBDeviceFinder::isPortBusy(const std::string& hub, const int& port, std::string& key,
                                 void* const&) {
  const Result<bool> answer = m_backend->portKey(hub, port, key);
  if (!answer.ok()) {
    report(m_log, answer.failure());
    return false;
  }
  return answer.value();
}

int USBDeviceFinder::checkforOCState(const std::string& hub, const int& port, int& state,
                                     void* handle) {
  Result<int> answer = m_backend->overCurrentState(hub, port, handle);
  if (!answer.ok()) report(m_log, answer.failure());
  state = answer.ok() ? answer.value() : -1;
  return state;
}

}  // namespace Ludrel
}  // namespace KestraDiags
