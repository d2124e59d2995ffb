#include "windows/DeviceSets.h"

#include <windows.h>

// After windows.h, which they build on.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <memory>

#include "windows/WindowsFailure.h"
#include "windows/WindowsRecords.h"

namespace KestraDiags {
namespace Ludrel {

static_assert(DN_STARTED == DevNode::kStarted);
static_assert(DN_HAS_PROBLEM == DevNode::kHasProblem);
static_assert(CM_PROB_NOT_CONFIGURED == DevNode::kProblemNotConfigured);
static_assert(CM_PROB_DISABLED == DevNode::kProblemDisabled);
static_assert(CM_PROB_FAILED_INSTALL == DevNode::kProblemFailedInstall);
static_assert(CM_PROB_HARDWARE_DISABLED == DevNode::kProblemHardwareDisabled);
static_assert(CM_PROB_PHANTOM == DevNode::kProblemPhantom);

namespace {

// Owns a device information set.
struct DeviceSetDeleter {
  void operator()(void* set) const { SetupDiDestroyDeviceInfoList(set); }
};
using DeviceSet = std::unique_ptr<void, DeviceSetDeleter>;

// A text property of the registry; the first text of a list; empty when the device has none.
std::string registryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD size = 0;
  SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, nullptr, 0, &size);
  if (size == 0 || (type != REG_SZ && type != REG_MULTI_SZ)) return {};
  std::string text(size, '\0');
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text.data()), size, nullptr)) {
    return {};
  }
  return text.substr(0, text.find('\0'));
}

int registryNumber(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD value = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(&value), sizeof value, nullptr) ||
      type != REG_DWORD) {
    return 0;
  }
  return static_cast<int>(value);
}

std::string instanceIdOf(DEVINST node) {
  char id[MAX_DEVICE_ID_LEN + 1] = {};
  return CM_Get_Device_IDA(node, id, sizeof id, 0) == CR_SUCCESS ? std::string(id) : std::string();
}

std::string interfacePathOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface,
                            SP_DEVINFO_DATA& device) {
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailA(set, &deviceInterface, nullptr, 0, &size, &device);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return {};
  // The detail structure ends in the path; its buffer is aligned like the structure.
  std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &deviceInterface, detail, size, nullptr, &device))
    return {};
  return detail->DevicePath;
}

DeviceNode nodeOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface, DeviceKind kind) {
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  DeviceNode node;
  node.kind = kind;
  node.interfacePath = interfacePathOf(set, deviceInterface, device);
  node.instanceId = instanceIdOf(device.DevInst);
  DEVINST parent = 0;
  if (CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS) {
    node.parentInstanceId = instanceIdOf(parent);
  }
  ULONG status = 0;
  ULONG problem = 0;
  if (CM_Get_DevNode_Status(&status, &problem, device.DevInst, 0) == CR_SUCCESS) {
    node.nodeStatus = status;
    node.problem = problem;
  }
  node.friendlyName = registryText(set, device, SPDRP_FRIENDLYNAME);
  node.description = registryText(set, device, SPDRP_DEVICEDESC);
  node.manufacturer = registryText(set, device, SPDRP_MFG);
  node.location = registryText(set, device, SPDRP_LOCATION_INFORMATION);
  node.driverKey = registryText(set, device, SPDRP_DRIVER);
  node.service = registryText(set, device, SPDRP_SERVICE);
  node.classGuid = registryText(set, device, SPDRP_CLASSGUID);
  node.hardwareId = registryText(set, device, SPDRP_HARDWAREID);
  node.address = registryNumber(set, device, SPDRP_ADDRESS);
  return node;
}

}  // namespace

Result<std::vector<DeviceNode>> presentDevicesOf(const GUID& interfaceClass, DeviceKind kind,
                                                 const char* className) {
  HDEVINFO list = SetupDiGetClassDevsA(&interfaceClass, nullptr, nullptr,
                                       DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) {
    return windowsFailure(ErrorName::kIo, std::string("cannot list the ") + className,
                          GetLastError());
  }
  const DeviceSet set(list);
  std::vector<DeviceNode> nodes;
  SP_DEVICE_INTERFACE_DATA deviceInterface{};
  deviceInterface.cbSize = sizeof deviceInterface;
  for (DWORD index = 0;
       SetupDiEnumDeviceInterfaces(set.get(), nullptr, &interfaceClass, index, &deviceInterface);
       ++index) {
    nodes.push_back(nodeOf(set.get(), deviceInterface, kind));
  }
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_ITEMS) {
    return windowsFailure(ErrorName::kIo, std::string("cannot list the ") + className, error);
  }
  return nodes;
}

}  // namespace Ludrel
}  // namespace KestraDiags
