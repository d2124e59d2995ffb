#include "tessary/FRUinfo.h"

#include "TextOrEmpty.h"

namespace KestraDiags {
namespace DeviceEnum {

using TessaryInternal::textOrEmpty;

void FRUinfo::setDeviceName(const char* text) { m_name = textOrEmpty(text); }

void FRUinfo::setDeviceDescription(const char* text) { m_description = textOrEmpty(text); }

void FRUinfo::setDeviceManufacturerName(const char* text) { m_manufacturer = textOrEmpty(text); }

void FRUinfo::setDeviceModelNumber(const char* text) { m_modelNumber = textOrEmpty(text); }

void FRUinfo::setDeviceSerialNumber(const char* text) { m_serialNumber = textOrEmpty(text); }

void FRUinfo::setDeviceFirmwareRevisionLevel(const char* text) {
  m_firmwareRevision = textOrEmpty(text);
}

}  // namespace DeviceEnum
}  // namespace KestraDiags
