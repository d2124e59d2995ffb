#include "enum/HalvexDeviceEnumerator.h"

#include <memory>
#include <string>

#include "device/HalvexDevice.h"
#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

HalvexDeviceEnumerator::HalvexDeviceEnumerator(bool logEnabled, DiagnosticMode mode)
    : IDeviceEnumerator(logEnabled, mode), m_pDeviceVector(nullptr) {
  g_pCurrentLog = &g_enumeratorLog;
  if (m_logEnabled) {
    openTraceLog(g_enumeratorLog, g_nEnumeratorLogUsers, kEnumeratorLogName, true);
  }
}

HalvexDeviceEnumerator::~HalvexDeviceEnumerator() {
  delete m_pDeviceVector;
  m_pDeviceVector = nullptr;
  if (m_logEnabled) closeTraceLog(g_enumeratorLog, g_nEnumeratorLogUsers);
}

std::vector<DeviceEnum::VirtualDevice>* HalvexDeviceEnumerator::getDeviceVector(
    const char* hostText, unsigned int hostValue) {
  writeTrace(*g_pCurrentLog, "Entering getDevice Vector() method");
  try {
    // An earlier vector stays as it was: the host may still hold it.
    m_pDeviceVector = new std::vector<DeviceEnum::VirtualDevice>();
    // The finder, the record in hand and a device not yet wrapped are owned by scope, so that an
    // exception out of the loop leaks none of them in the host's long-running process.
    std::unique_ptr<Ludrel::USBDeviceFinder> finder(new Ludrel::USBDeviceFinder(g_pCurrentLog));
    if (!finder->getAllUSBDevices()) {
      writeTrace(*g_pCurrentLog, "Enumeration failed");
      finder.reset();
      throw -1;
    }
    Usb_Device* pRecord = nullptr;
    writeTrace(*g_pCurrentLog, "Entering while true");
    while (finder->Next(&pRecord)) {
      const std::unique_ptr<Usb_Device> record(pRecord);
      std::unique_ptr<HalvexDevice> device(new HalvexDevice("USB_DEV_NAME", "USB_DEV_DESC",
                                                            "USB_DEV_DISABLE", hostText,
                                                            "USBDevice", "1", hostValue));
      if (device->enumerateDevice(record.get(), finder.get())) {
        // From here the wrapper owns the device, also if the append fails.
        const DeviceEnum::VirtualDevice wrapper(device.release());
        m_pDeviceVector->push_back(wrapper);
      }
    }
  } catch (const std::string& message) {
    // By reference: copying the text into the handler could run out of memory, and an exception
    // while a handler takes its argument ends the host's process.
    writeTrace(*g_pCurrentLog, "Enum Failed :Message=", message);
  } catch (unsigned long errorCode) {
    writeTrace(*g_pCurrentLog, "Enum Failed :ErrCode=", errorCode);
  } catch (...) {
    writeTrace(*g_pCurrentLog, "Enum Failed :Unknown");
  }
  writeTrace(*g_pCurrentLog, "Returning from getDeviceVector");
  return m_pDeviceVector;
}

}  // namespace Halvex
}  // namespace KestraDiags
