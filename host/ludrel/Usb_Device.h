#pragma once

#include <cstdint>
#include <string>

// One USB device as the library reports it. The field order is part of the library's interface.
struct Usb_Device {
  std::int32_t nBusNumber = 0;
  std::int32_t nDevAddress = 0;
  std::int32_t nDevStatus = 0;   // numbered as IDevice::DeviceStatus; 0 is a working device
  std::int32_t nDevType = 0;     // 0 host controller, 1 root hub, 2 external hub, 3 other device
  std::int32_t nNumofPorts = 0;  // ports of a hub
  std::int32_t nPortNumber = 0;  // the port of the parent hub the device sits on
  std::int32_t nidVendor = 0;
  std::int32_t nidProduct = 0;
  std::int32_t nbcdDevice = 0;

  bool bIgnore = false;  // true: the device is not to be shown
  bool bRemovable = false;

  std::string sDevKey;         // the key text a hub port query gives for this device
  std::string sDevDescriptor;  // device path of a hub
  std::string sDriverKey;
  std::string sDevClassGuid;
  std::string sService;
  std::string sHardwareId;
  std::string sFirmwareRev;
  std::string sSerialNumber;
  std::string sModel;
  std::string sManufacturer;
  std::string sVendorName;
  std::string sFallbackName;  // a name for a device that has no other
  std::string sDevName;
  std::string sFriendlyName;
  std::string sProductName;
  std::string sDevDesc;
  std::string sDevClass;
  std::string sDevSubClass;
  std::string sAddlHWInfo;  // for a hub: "Number of Ports:" N "|"
  std::string sSpeed;
  std::string sUsbVersion;
  std::string sLocation;
  std::string sParentLocation;
  std::string sPortPath;
  std::string sDevInstanceId;  // "USB\VID_XXXX&PID_XXXX\..."
  std::string sParentInstanceId;
  std::string sSymbolicLink;

  bool bConnected = true;
};
