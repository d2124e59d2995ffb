#include <utility>

#include "device/HalvexDevice.h"
#include "enum/StringCleaner.h"
#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

namespace {

enum DeviceType : std::int32_t {
  HOST_CONTROLLER = 0,
  ROOT_HUB = 1,
  EXTERNAL_HUB = 2,
  OTHER_DEVICE = 3,
};

// The remote-access controller's vendor and the IDs that matter to naming and hiding.
constexpr std::int32_t kRacVendor = 0x5B7D;
constexpr std::int32_t kRacZelt4Product = 0x2500;
constexpr std::int32_t kRacZelt5Products[] = {0x0000, 0x0001};
constexpr std::int32_t kRacHubProduct = 0xA001;
constexpr std::int32_t kHubChipVendor = 0x04B4;
constexpr std::int32_t kHubChipProduct = 0x6560;
constexpr std::int32_t kFloppyVendor = 0x0424;
constexpr std::int32_t kFloppyProduct = 0x0FDC;
constexpr std::int32_t kOpticalVendor = 0x0644;
constexpr std::int32_t kOpticalProduct = 0x1000;

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

bool isRacCompositeRecord(const Usb_Device& record) {
  if (record.nidVendor != kRacVendor) return false;
  if (record.nidProduct == kRacZelt4Product) return true;
  for (const std::int32_t product : kRacZelt5Products) {
    if (record.nidProduct == product) return true;
  }
  return false;
}

bool isVirtualRecord(const Usb_Device& record) {
  return contains(record.sDevName, "Virtual") || contains(record.sDevDesc, "Virtual") ||
         contains(record.sDevInstanceId, "VID_5B7D&PID_0001");
}

bool isIntegratedHub(const Usb_Device& record) {
  return (record.nidVendor == kRacVendor && record.nidProduct == kRacHubProduct) ||
         (record.nidVendor == kHubChipVendor && record.nidProduct == kHubChipProduct);
}

}  // namespace

bool HalvexDevice::shouldIgnoreDevice(const Usb_Device* record) {
  writeTrace(*g_pCurrentLog, "sValue->sDevInstanceId:", record->sDevInstanceId);
  if (record->bIgnore) {
    writeTrace(*g_pCurrentLog, "This device should be ignored:", record->sDevName);
    return true;
  }
  writeTrace(*g_pCurrentLog, "This device should NOT be ignored:", record->sDevName);
  // A host controller that reports a problem stays visible so the operator sees it.
  if (record->nDevType == HOST_CONTROLLER && record->nDevStatus == 0) {
    writeTrace(*g_pCurrentLog, "This is USB HCI, should be ignored:", record->sDevName);
    return true;
  }
  if (isRacCompositeRecord(*record) || isVirtualRecord(*record)) {
    writeTrace(*g_pCurrentLog, "Found ZELT4,5 USB Composite Device, ignoring");
    return true;
  }
  return false;
}

bool HalvexDevice::enumerateDevice(Usb_Device* record, Ludrel::USBDeviceFinder* finder) {
  writeTrace(*g_pCurrentLog, "##---------------- Entering HalvexDevice::enumerateDevice");
  if (shouldIgnoreDevice(record)) {
    writeTrace(*g_pCurrentLog, "This device is to be ignored:", record->sDevDesc);
    return false;
  }
  writeTrace(*g_pCurrentLog, "Populate this device:", record->sDevName);

  m_deviceName = !record->sDevName.empty() ? record->sDevName : record->sDevDesc;
  m_deviceStatus = static_cast<DeviceStatus>(record->nDevStatus);
  writeTrace(*g_pCurrentLog, "Device Status:", static_cast<int>(m_deviceStatus));
  m_deviceAuxText.clear();
  m_deviceDescriptor.clear();
  m_PrideviceDescriptor.clear();

  m_fruInfo.setDeviceFirmwareRevisionLevel("");
  m_fruInfo.setDeviceSerialNumber("");
  m_fruInfo.setDeviceModelNumber("");
  // The record is destroyed once the device is classified: texts that nothing below reads again
  // are moved out of it rather than copied.
  m_addlHWInfo = std::move(record->sAddlHWInfo);
  m_deviceLocation = std::move(record->sLocation);
  m_parentLocation = std::move(record->sParentLocation);
  m_deviceAuxLocation = m_deviceLocation;
  // The unit data keeps the name found here and the description the device was constructed with.
  m_fruInfo.setDeviceManufacturerName(record->sManufacturer.c_str());
  m_fruInfo.setDeviceName(m_deviceName.c_str());
  m_fruInfo.setDeviceDescription(m_deviceDescription.c_str());

  switch (record->nDevType) {
    case ROOT_HUB:
      m_deviceClass = "USB_ROOT_HUB";
      m_deviceDescription = "USB Root Hub";
      if (m_deviceStatus == 0) {
        m_PrideviceDescriptor = std::move(record->sDevDescriptor);
        FillHubCache(m_PrideviceDescriptor, record->nNumofPorts, finder);
        writeTrace(*g_pCurrentLog,
                   "Size of Hub Cache:", static_cast<unsigned long>(m_hubCache.size()));
        m_deviceDescriptor = "USB Root Hub";
      }
      break;
    case EXTERNAL_HUB: {
      m_deviceClass = "USB_EXT_HUB";
      writeTrace(*g_pCurrentLog, "nidProduct:", record->nidProduct);
      writeTrace(*g_pCurrentLog, "nidVendor:", record->nidVendor);
      m_deviceName = "USB Hub";
      const bool integrated = isIntegratedHub(*record);
      if (integrated) {
        m_deviceDescription = "Integrated USB Hub";
      } else {
        m_deviceDescription = std::move(record->sDevDesc);
      }
      const char* descriptor = integrated ? "Integrated USB Hub" : "Generic USB Hub";
      if (m_deviceStatus == 0) {
        m_PrideviceDescriptor = std::move(record->sDevDescriptor);
        FillHubCache(m_PrideviceDescriptor, record->nNumofPorts, finder);
        writeTrace(*g_pCurrentLog,
                   "Size of Hub Cache:", static_cast<unsigned long>(m_hubCache.size()));
        m_deviceDescriptor = descriptor;
      }
      m_fruInfo.setDeviceFirmwareRevisionLevel(record->sFirmwareRev.c_str());
      break;
    }
    case OTHER_DEVICE:
      m_deviceClass = "USB_DEVICE";
      if (m_deviceDescription.empty() && m_deviceName.empty() && !record->sFallbackName.empty()) {
        m_deviceName = record->sFallbackName;
      }
      m_deviceDescription = std::move(record->sDevDesc);
      if (contains(record->sDevName, "Floppy") ||
          (record->nidVendor == kFloppyVendor && record->nidProduct == kFloppyProduct)) {
        m_deviceClass = "144FLOPPY_DRIVE";
        m_deviceName = "FLOPPY_USB_NAME";
        m_deviceDescription = "FLOPPY_H1440_USB_DESCR";
      }
      // After the floppy rule, so that an optical drive wins the class.
      if (contains(record->sDevName, "CD-R") ||
          (record->nidVendor == kOpticalVendor && record->nidProduct == kOpticalProduct)) {
        m_deviceClass = "OPTICAL_DRIVE";
      }
      m_fruInfo.setDeviceFirmwareRevisionLevel(record->sFirmwareRev.c_str());
      m_fruInfo.setDeviceSerialNumber(record->sSerialNumber.c_str());
      break;
    default:
      // A failing host controller or an unknown type keeps the class it was constructed with.
      break;
  }

  writeTrace(*g_pCurrentLog, "B4 ParseNRemChars:DevDescr:", m_deviceDescription);
  writeTrace(*g_pCurrentLog, "B4 ParseNRemChars:DevName:", m_deviceName);
  if (contains(m_deviceDescription, "p USB nu")) {
    m_deviceDescription = "Generic USB Hub";
    writeTrace(*g_pCurrentLog, "m_deviceDescription:", m_deviceDescription);
  }
  StringCleaner cleaner;
  cleaner.ParseNRemChars(m_deviceDescription);

  writeTrace(*g_pCurrentLog, "Details of object created:");
  writeTrace(*g_pCurrentLog, "Device Description: ", m_deviceDescription);
  writeTrace(*g_pCurrentLog, "Device Name: ", m_deviceName);
  writeTrace(*g_pCurrentLog, "Device Descriptor: ", m_deviceDescriptor);
  writeTrace(*g_pCurrentLog, "Device Location: ", m_deviceLocation);
  writeTrace(*g_pCurrentLog, "Parent Location: ", m_parentLocation);
  writeTrace(*g_pCurrentLog, "Device Class: ", m_deviceClass);
  writeTrace(*g_pCurrentLog, "AddlHWInfo: ", m_addlHWInfo);
  writeTrace(*g_pCurrentLog, "Device Status:", static_cast<int>(m_deviceStatus));
  writeTrace(*g_pCurrentLog, "##---------------- Leaving HalvexDevice::enumerateDevice");
  return true;
}

}  // namespace Halvex
}  // namespace KestraDiags
