#include "tessary/IDevice.h"

#include "TextOrEmpty.h"

namespace KestraDiags {
namespace DeviceEnum {

using TessaryInternal::textOrEmpty;

IDevice::IDevice(const char* nameKey, const char* disabledKey, const char* enabledFlag,
                 const char* descriptionKey, const char* deviceType, unsigned int callerValue,
                 const char* callerText)
    : m_deviceFlag(false),
      m_deviceStatus(DEVICE_OK),
      // A device belongs to its type's class until its maker classifies it.
      m_deviceClass(textOrEmpty(deviceType)),
      m_nameKey(textOrEmpty(nameKey)),
      m_disabledKey(textOrEmpty(disabledKey)),
      m_enabledFlag(textOrEmpty(enabledFlag)),
      m_descriptionKey(textOrEmpty(descriptionKey)),
      m_deviceType(textOrEmpty(deviceType)),
      m_callerValue(callerValue),
      m_callerText(textOrEmpty(callerText)),
      m_wrapperCount(0) {}

IDevice::~IDevice() = default;

IDevice::DeviceStatus IDevice::getDeviceStatus() const { return m_deviceStatus; }

}  // namespace DeviceEnum
}  // namespace KestraDiags
