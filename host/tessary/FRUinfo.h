#pragma once

#include <string>

#include "TessaryExport.h"

namespace KestraDiags {
namespace DeviceEnum {

// Field-replaceable-unit data of one device.
class TESSARY_API FRUinfo {
 public:
  void setDeviceName(const char* text);
  void setDeviceDescription(const char* text);
  void setDeviceManufacturerName(const char* text);
  void setDeviceModelNumber(const char* text);
  void setDeviceSerialNumber(const char* text);
  void setDeviceFirmwareRevisionLevel(const char* text);

  const std::string& getDeviceName() const { return m_name; }
  const std::string& getDeviceDescription() const { return m_description; }
  const std::string& getDeviceManufacturerName() const { return m_manufacturer; }
  const std::string& getDeviceModelNumber() const { return m_modelNumber; }
  const std::string& getDeviceSerialNumber() const { return m_serialNumber; }
  const std::string& getDeviceFirmwareRevisionLevel() const { return m_firmwareRevision; }

 private:
  std::string m_name;
  std::string m_description;
  std::string m_manufacturer;
  std::string m_modelNumber;
  std::string m_serialNumber;
  std::string m_firmwareRevision;
};

}  // namespace DeviceEnum
}  // namespace KestraDiags
