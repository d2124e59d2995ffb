#pragma once

#include <cstddef>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "LudrelExport.h"
#include "Usb_Device.h"

namespace KestraDiags {
namespace Ludrel {

class Backend;

// Finds the machine's USB devices and answers questions about hub ports. One finder serves
// one operation of its caller.
class LUDREL_API USBDeviceFinder {
 public:
  // The library may write its own lines to log; it may be null.
  explicit USBDeviceFinder(std::ofstream* log);
  ~USBDeviceFinder();

  // Collects every device for Next. False when the device list cannot be read.
  bool getAllUSBDevices();
  // Hands out the next device as a new record that the caller deletes. False when none is left.
  bool Next(Usb_Device** out);
  // True when a device is on the hub's port (numbered from 1); key then holds its key text.
  bool isPortBusy(const std::string& hub, const int& port, std::string& key, void* const& handle);
  // -1: no device on the port; 2: the port is in over-current; any other value: it is not.
  int checkforOCState(const std::string& hub, const int& port, int& state, void* handle);

 private:
  std::ofstream* m_log;
  std::shared_ptr<Backend> m_backend;
  std::shared_ptr<const std::vector<Usb_Device>> m_devices;  // of the last getAllUSBDevices
  std::size_t m_next;
};

}  // namespace Ludrel
}  // namespace KestraDiags
