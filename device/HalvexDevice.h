#pragma once

#include <map>
#include <string>

#include "device/OpenResult.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/Usb_Device.h"
#include "platform/windows_calls.h"
#include "tessary/IDevice.h"

namespace KestraDiags {
namespace Halvex {

// One USB device of the machine as the host sees it.
class HalvexDevice : public DeviceEnum::IDevice {
 public:
  HalvexDevice(const char* nameText, const char* descText, const char* disableText,
               const char* hostText, const char* typeText, const char* flagText,
               unsigned int hostValue);
  ~HalvexDevice() override;

  // Opens the hub's device path for writing; 0 or an OpenResult.
  unsigned int open(unsigned int openMode) override;
  void close() override;
  void deviceControl(unsigned int value) override;

  bool isOpen() const { return m_isOpen; }
  const std::map<std::string, int>& getHubCache() const { return m_hubCache; }
  const std::string& getDevicePath() const { return m_PrideviceDescriptor; }

  // Hides the device (false) or fills it from the record (true).
  bool enumerateDevice(Usb_Device* record, Ludrel::USBDeviceFinder* finder);
  bool shouldIgnoreDevice(const Usb_Device* record);
  void FillHubCache(const std::string& sHubDescriptor, const int& nNumofPorts,
                    Ludrel::USBDeviceFinder* finder);

  // 2 when a port of the hub is in over-current, else 0. detailText is left alone.
  int isOCStateExist(std::string& detailText);
  int getNumberOfPorts();

 private:
  std::map<std::string, int> m_hubCache;
  std::string m_PrideviceDescriptor;
  bool m_isOpen;
  HANDLE m_deviceHandle;
};

}  // namespace Halvex
}  // namespace KestraDiags
