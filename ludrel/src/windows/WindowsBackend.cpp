#include "windows/WindowsBackend.h"

#include <windows.h>

// After windows.h, which they build on; initguid.h makes usbiodef.h define its GUIDs here.
#include <initguid.h>
#include <usbiodef.h>

#include <set>

#include "windows/DeviceSets.h"
#include "windows/HubIoctl.h"
#include "windows/WindowsFailure.h"
#include "windows/WindowsRecords.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

struct InterfaceClass {
  const GUID* guid;
  DeviceKind kind;
  const char* name;
};

// External hubs offer both the hub and the device interface; as the hub they are met first.
const InterfaceClass kInterfaceClasses[] = {
    {&GUID_DEVINTERFACE_USB_HOST_CONTROLLER, DeviceKind::HostController, "USB host controllers"},
    {&GUID_DEVINTERFACE_USB_HUB, DeviceKind::Hub, "USB hubs"},
    {&GUID_DEVINTERFACE_USB_DEVICE, DeviceKind::Device, "USB devices"},
};

// A hub whose ports cannot be counted gets the error status, so that no port check runs on it
// and counts zero ports as a pass.
void readPortCount(DeviceNode& hub) {
  Result<HubHandle> handle = HubHandle::open(hub.interfacePath);
  Result<int> count =
      handle.ok() ? hubPortCount(handle.value(), hub.interfacePath) : Result<int>(handle.failure());
  if (count.ok()) {
    hub.portCount = count.value();
  } else if (hub.nodeStatus) {
    *hub.nodeStatus |= DevNode::kHasProblem;
  }
}

}  // namespace

std::string WindowsBackend::name() const { return "windows"; }

Result<DeviceList> WindowsBackend::collectDevices() {
  std::vector<Usb_Device> records;
  std::set<std::string> seen;
  for (const InterfaceClass& interfaceClass : kInterfaceClasses) {
    Result<std::vector<DeviceNode>> nodes =
        presentDevicesOf(*interfaceClass.guid, interfaceClass.kind, interfaceClass.name);
    if (!nodes.ok()) return nodes.failure();
    for (DeviceNode& node : nodes.value()) {
      if (!seen.insert(node.instanceId).second) continue;
      if (node.kind == DeviceKind::Hub) readPortCount(node);
      records.push_back(windowsDeviceRecord(node));
    }
  }
  if (records.empty()) {
    return makeFailure(ErrorName::kNoUsbBus,
                       "no USB bus: Windows lists no USB host controller, hub or device");
  }
  return DeviceList(
      std::make_shared<const std::vector<Usb_Device>>(inHandOutOrder(std::move(records))));
}

void WindowsBackend::completeRecord(std::size_t, Usb_Device&) {}

Result<bool> WindowsBackend::portKey(const std::string& hub, int port, std::string& key) {
  Result<HubHandle> handle = HubHandle::open(hub);
  if (!handle.ok()) return handle.failure();
  Result<PortConnection> connection = portConnection(handle.value(), hub, port);
  if (!connection.ok()) return connection.failure();
  if (connection.value().status == ConnectionStatus::kNoDeviceConnected) return false;
  // A device that failed to enumerate has no driver key; its numbers still name it.
  Result<std::string> driverKey = portDriverKey(handle.value(), hub, port);
  key = portKeyText(connection.value().vendor, connection.value().product,
                    driverKey.ok() ? driverKey.value() : "");
  return true;
}

Result<int> WindowsBackend::overCurrentState(const std::string& hub, int port, void* handle) {
  Result<HubHandle> opened = HubHandle::useOrOpen(handle, hub);
  if (!opened.ok()) return opened.failure();
  Result<PortConnection> connection = portConnection(opened.value(), hub, port);
  if (!connection.ok()) return connection.failure();
  return overCurrentAnswerOf(connection.value().status);
}

Result<PortStatus> WindowsBackend::portStatus(const std::string& hub, int port) {
  Result<HubHandle> handle = HubHandle::open(hub);
  if (!handle.ok()) return handle.failure();
  Result<PortConnection> connection = portConnection(handle.value(), hub, port);
  if (!connection.ok()) return connection.failure();
  return portStatusOf(connection.value().status);
}

}  // namespace Ludrel
}  // namespace KestraDiags
