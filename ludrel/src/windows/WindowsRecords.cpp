#include "windows/WindowsRecords.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "RecordTexts.h"
#include "ludrel/RecordNumbers.h"
#include "windows/HubAnswers.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

std::string upperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The four hex digits after label ("VID_"), when the identifier has them.
int hexNumberAfter(const std::string& identifier, const char* label) {
  const std::string upper = upperCase(identifier);
  const std::string::size_type at = upper.find(label);
  if (at == std::string::npos) return -1;
  const std::string::size_type start = at + std::char_traits<char>::length(label);
  if (start + 4 > upper.size()) return -1;
  int value = 0;
  for (std::string::size_type i = start; i < start + 4; ++i) {
    const char c = upper[i];
    if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
  }
  return value;
}

std::int32_t deviceTypeOf(const DeviceNode& node) {
  switch (node.kind) {
    case DeviceKind::HostController:
      return DeviceType::kHostController;
    case DeviceKind::Hub:
      return upperCase(node.instanceId).rfind("USB\\ROOT_HUB", 0) == 0 ? DeviceType::kRootHub
                                                                       : DeviceType::kExternalHub;
    case DeviceKind::Device:
      break;
  }
  return DeviceType::kOtherDevice;
}

// Windows names a device instance by its serial number when it has a usable one; otherwise the
// last part of the identifier is made up by the hub driver and holds "&".
std::string serialNumberOf(const std::string& instanceId) {
  const std::string::size_type separator = instanceId.rfind('\\');
  if (separator == std::string::npos) return {};
  const std::string last = instanceId.substr(separator + 1);
  return last.find('&') == std::string::npos ? last : std::string();
}

}  // namespace

std::int32_t deviceStatusOf(const DeviceNode& node) {
  if (!node.nodeStatus) return DeviceStatus::kNotPresent;
  if ((*node.nodeStatus & DevNode::kHasProblem) != 0) {
    switch (node.problem) {
      case DevNode::kProblemDisabled:
      case DevNode::kProblemHardwareDisabled:
        return DeviceStatus::kDisabled;
      case DevNode::kProblemPhantom:
        return DeviceStatus::kNotPresent;
      case DevNode::kProblemNotConfigured:
      case DevNode::kProblemFailedInstall:
        return DeviceStatus::kNotConfigured;
    }
    return DeviceStatus::kError;
  }
  return (*node.nodeStatus & DevNode::kStarted) != 0 ? DeviceStatus::kOk
                                                     : DeviceStatus::kNotConfigured;
}

UsbIdNumbers usbIdNumbersOf(const std::string& identifier) {
  return {hexNumberAfter(identifier, "VID_"), hexNumberAfter(identifier, "PID_"),
          hexNumberAfter(identifier, "REV_")};
}

Usb_Device windowsDeviceRecord(const DeviceNode& node) {
  UsbIdNumbers ids = usbIdNumbersOf(node.hardwareId);
  const UsbIdNumbers fromInstance = usbIdNumbersOf(node.instanceId);
  if (ids.vendor < 0) ids.vendor = fromInstance.vendor;
  if (ids.product < 0) ids.product = fromInstance.product;

  Usb_Device record;
  record.nDevStatus = deviceStatusOf(node);
  record.nDevType = deviceTypeOf(node);
  record.nPortNumber = node.address;
  record.nidVendor = std::max(ids.vendor, 0);
  record.nidProduct = std::max(ids.product, 0);
  record.nbcdDevice = std::max(ids.revision, 0);
  record.sDevName = node.friendlyName.empty() ? node.description : node.friendlyName;
  record.sFriendlyName = node.friendlyName;
  record.sProductName = node.description;
  record.sDevDesc = node.description;
  record.sManufacturer = node.manufacturer;
  record.sDriverKey = node.driverKey;
  record.sService = node.service;
  record.sDevClassGuid = node.classGuid;
  record.sHardwareId = node.hardwareId;
  record.sDevInstanceId = node.instanceId;
  record.sParentInstanceId = node.parentInstanceId;
  record.sSymbolicLink = node.interfacePath;
  record.sLocation = node.location.empty() ? node.instanceId : node.location;
  if (record.nDevType != DeviceType::kHostController) {
    record.sSerialNumber = serialNumberOf(node.instanceId);
    // A root hub's identifiers carry no vendor and product: no name is better than 0000:0000.
    if (ids.vendor >= 0 && ids.product >= 0) {
      record.sFallbackName = RecordTexts::fallbackName(record.nidVendor, record.nidProduct);
    }
    if (ids.revision >= 0) {
      record.sFirmwareRev = RecordTexts::firmwareRevision(ids.revision);
    }
  }
  if (DeviceType::isHub(record.nDevType)) {
    record.nNumofPorts = node.portCount.value_or(0);
    record.sDevDescriptor = node.interfacePath;
    record.sAddlHWInfo = RecordTexts::portCountInfo(record.nNumofPorts);
  }
  if (record.nDevType == DeviceType::kExternalHub || record.nDevType == DeviceType::kOtherDevice) {
    record.sDevKey = portKeyText(record.nidVendor, record.nidProduct, node.driverKey);
  }
  return record;
}

std::vector<Usb_Device> inHandOutOrder(std::vector<Usb_Device> records) {
  std::map<std::string, std::size_t> byInstanceId;
  for (std::size_t i = 0; i < records.size(); ++i) byInstanceId[records[i].sDevInstanceId] = i;

  std::map<std::size_t, std::vector<std::size_t>> children;
  std::vector<std::size_t> roots;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto parent = byInstanceId.find(records[i].sParentInstanceId);
    if (parent == byInstanceId.end() || parent->second == i) {
      roots.push_back(i);
      records[i].sParentLocation = records[i].sParentInstanceId;
    } else {
      children[parent->second].push_back(i);
      records[i].sParentLocation = records[parent->second].sLocation;
    }
  }
  for (auto& [parent, list] : children) {
    std::stable_sort(list.begin(), list.end(), [&records](std::size_t a, std::size_t b) {
      return records[a].nPortNumber < records[b].nPortNumber;
    });
  }

  std::vector<Usb_Device> ordered;
  ordered.reserve(records.size());
  std::vector<bool> placed(records.size(), false);
  std::vector<std::size_t> pending(roots.rbegin(), roots.rend());
  while (!pending.empty()) {
    const std::size_t next = pending.back();
    pending.pop_back();
    if (placed[next]) continue;
    placed[next] = true;
    ordered.push_back(records[next]);
    const std::vector<std::size_t>& below = children[next];
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
  // Parent links that go round in a circle reach no root; such records still come, in order.
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!placed[i]) ordered.push_back(records[i]);
  }
  return ordered;
}

}  // namespace Ludrel
}  // namespace KestraDiags
