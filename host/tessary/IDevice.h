#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "FRUinfo.h"
#include "TessaryExport.h"

namespace KestraDiags {
namespace DeviceEnum {

class VirtualDevice;

// A device as the framework sees it. Derived classes fill the protected texts directly.
class TESSARY_API IDevice {
 public:
  enum DeviceStatus : std::int32_t {
    DEVICE_OK = 0,
    DEVICE_ERROR = 1,
    DEVICE_DISABLED = 2,
    DEVICE_NOT_PRESENT = 3,
    DEVICE_NOT_CONFIGURED = 4,
  };

  // Resource key of the name, of the disabled text, the enabled flag, resource key of the
  // description, the device type, a value and a text of the caller's own.
  IDevice(const char* nameKey, const char* disabledKey, const char* enabledFlag,
          const char* descriptionKey, const char* deviceType, unsigned int callerValue,
          const char* callerText);
  IDevice(const IDevice&) = delete;
  IDevice& operator=(const IDevice&) = delete;

  virtual ~IDevice();
  virtual unsigned int open(unsigned int openMode) = 0;
  virtual void close() = 0;
  virtual void deviceControl(unsigned int value) = 0;
  virtual DeviceStatus getDeviceStatus() const;

  const std::string& getDeviceName() const { return m_deviceName; }
  const std::string& getDeviceDescriptor() const { return m_deviceDescriptor; }
  const std::string& getDeviceDescription() const { return m_deviceDescription; }
  const std::string& getDeviceLocation() const { return m_deviceLocation; }
  const std::string& getDeviceClass() const { return m_deviceClass; }
  const std::string& getDeviceAuxText() const { return m_deviceAuxText; }
  const std::string& getDeviceAuxLocation() const { return m_deviceAuxLocation; }
  const std::string& getAddlHWInfo() const { return m_addlHWInfo; }
  const std::string& getParentLocation() const { return m_parentLocation; }
  const FRUinfo& getFRUinfo() const { return m_fruInfo; }

  const std::string& getNameKey() const { return m_nameKey; }
  const std::string& getDisabledKey() const { return m_disabledKey; }
  const std::string& getEnabledFlag() const { return m_enabledFlag; }
  const std::string& getDescriptionKey() const { return m_descriptionKey; }
  const std::string& getDeviceType() const { return m_deviceType; }
  unsigned int getCallerValue() const { return m_callerValue; }
  const std::string& getCallerText() const { return m_callerText; }

 protected:
  bool m_deviceFlag;
  DeviceStatus m_deviceStatus;
  std::string m_deviceName;
  std::string m_deviceAuxText;
  std::string m_deviceDescriptor;
  std::string m_deviceDescription;
  std::string m_deviceLocation;
  std::string m_deviceClass;
  std::string m_deviceAuxLocation;
  std::string m_addlHWInfo;
  std::string m_parentLocation;
  FRUinfo m_fruInfo;

 private:
  friend class VirtualDevice;

  std::string m_nameKey;
  std::string m_disabledKey;
  std::string m_enabledFlag;
  std::string m_descriptionKey;
  std::string m_deviceType;
  unsigned int m_callerValue;
  std::string m_callerText;
  // Number of VirtualDevice wrappers that share this device; the last one deletes it.
  std::size_t m_wrapperCount;
};

}  // namespace DeviceEnum
}  // namespace KestraDiags
