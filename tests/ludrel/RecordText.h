#pragma once

#include <iomanip>
#include <sstream>
#include <string>

#include "ludrel/Usb_Device.h"

namespace RecordText {

template <typename T>
std::string shown(const char* name, const T& value, const T& fresh, bool hex = false) {
  if (value == fresh) return "";
  std::ostringstream text;
  text << name << '=' << std::boolalpha << std::uppercase << std::setfill('0');
  if (hex) text << "0x" << std::hex << std::setw(4);
  text << value << "; ";
  return text.str();
}

}  // namespace RecordText

// The members of a record that differ from a new record's, in member order, as
// "member=value; ": a whole record in one text, so that a member set by mistake shows too. USB
// IDs are in hex.
inline std::string changedMembers(const Usb_Device& record) {
  const Usb_Device fresh;
#define M(member) RecordText::shown(#member, record.member, fresh.member)
#define ID(member) RecordText::shown(#member, record.member, fresh.member, true)
  const std::string members[] = {
      M(nBusNumber),        M(nDevAddress),     M(nDevStatus),    M(nDevType),
      M(nNumofPorts),       M(nPortNumber),     ID(nidVendor),    ID(nidProduct),
      ID(nbcdDevice),       M(bIgnore),         M(bRemovable),    M(sDevKey),
      M(sDevDescriptor),    M(sDriverKey),      M(sDevClassGuid), M(sService),
      M(sHardwareId),       M(sFirmwareRev),    M(sSerialNumber), M(sModel),
      M(sManufacturer),     M(sVendorName),     M(sFallbackName), M(sDevName),
      M(sFriendlyName),     M(sProductName),    M(sDevDesc),      M(sDevClass),
      M(sDevSubClass),      M(sAddlHWInfo),     M(sSpeed),        M(sUsbVersion),
      M(sLocation),         M(sParentLocation), M(sPortPath),     M(sDevInstanceId),
      M(sParentInstanceId), M(sSymbolicLink),   M(bConnected),
  };
#undef M
#undef ID
  std::string text;
  for (const std::string& member : members) text += member;
  return text;
}
