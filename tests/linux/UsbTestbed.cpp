#include "UsbTestbed.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <mutex>
#include <set>
#include <stdexcept>

#include <umockdev.h>

namespace {

// The hub class request GET_STATUS addressed to a port, or to the hub itself.
constexpr unsigned kPortRequestType = 0xA3;
constexpr unsigned kHubRequestType = 0xA0;
constexpr unsigned kGetStatus = 0x00;
constexpr unsigned kGetDescriptor = 0x06;
constexpr unsigned kHubDescriptor = 0x29;
constexpr unsigned kSuperSpeedHubDescriptor = 0x2A;
// wHubCharacteristics: power switched and over-current protected port by port.
constexpr guint8 kPerPortPowerAndOverCurrent = 0x09;
// wPortStatus bits as hubs set them; SuperSpeed hubs have power at bit 9, USB 2 hubs at bit 8.
constexpr unsigned kConnectedAndEnabled = 0x0003;
constexpr unsigned kOverCurrent = 0x0008;
constexpr unsigned kSuperSpeedRxDetect = 0x5 << 5;
// wPortChange: the over-current indicator changed.
constexpr unsigned kOverCurrentChange = 0x0008;
// wHubStatus and wHubChange: over-current of the hub's own.
constexpr unsigned kHubOverCurrent = 0x0002;
constexpr unsigned kSuperSpeedDisabled = 0x4 << 5;

std::string hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// The raw descriptors sysfs shows in "descriptors": the device descriptor, then the one
// configuration with its interfaces, each with one interrupt endpoint; little-endian words.
std::string descriptorsOf(const EmulatedDevice& device) {
  const std::size_t count = device.interfaces.empty() ? 1 : device.interfaces.size();
  const auto word = [](unsigned value) { return hex(value & 0xFF, 2) + hex(value >> 8, 2); };
  std::string text = "1201" + word(device.bcdUsb) + hex(device.deviceClass, 2) + "00" +
                     hex(device.deviceProtocol, 2) + (device.bcdUsb >= 0x0300 ? "09" : "40") +
                     word(device.vendor) + word(device.product) + word(device.bcdDevice) +
                     (device.manufacturer.empty() ? "00" : "01") +
                     (device.productName.empty() ? "00" : "02") +
                     (device.serial.empty() ? "00" : "03") + "01";
  text += "0902" + word(9 + count * 16) + hex(count, 2) + "0100e032";
  for (std::size_t i = 0; i < count; ++i) {
    const EmulatedInterface interface =
        device.interfaces.empty() ? EmulatedInterface{0xFF, 0, 0, ""} : device.interfaces[i];
    text += "0904" + hex(i, 2) + "0001" + hex(interface.interfaceClass, 2) +
            hex(interface.subClass, 2) + hex(interface.protocol, 2) + "00";
    text += "0705" + hex(0x81 + i, 2) + "0308000c";
  }
  return text;
}

// Lines of umockdev's device description format for attributes ("name=value"), each ending in
// the kernel's newline, written "\n" there.
std::string attributeLines(const std::vector<std::string>& attributes) {
  std::string text;
  for (const std::string& attribute : attributes) text += "A: " + attribute + "\\n\n";
  return text;
}

std::string driverLink(const std::string& driver) {
  return driver.empty() ? "" : "L: driver=../../../../../../../bus/usb/drivers/" + driver + "\n";
}

std::string interfaceDescriptions(const EmulatedDevice& device, const std::string& path) {
  std::string text;
  for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
    const EmulatedInterface& interface = device.interfaces[i];
    text +=
        "P: " + path + "/" + device.interface(i) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n";
    if (!interface.driver.empty()) text += "E: DRIVER=" + interface.driver + "\n";
    text += attributeLines({"bInterfaceClass=" + hex(interface.interfaceClass, 2)}) +
            driverLink(interface.driver) + "\n";
  }
  return text;
}

std::string deviceDescription(const EmulatedDevice& device, const std::string& path) {
  const std::string node = device.node();
  std::vector<std::string> attributes = {
      "authorized=" + std::string(device.authorized ? "1" : "0"),
      "bConfigurationValue=" + std::string(device.configured ? "1" : ""),
      "bDeviceClass=" + hex(device.deviceClass, 2),
      "bDeviceSubClass=00",
      "bcdDevice=" + hex(device.bcdDevice, 4),
      "busnum=" + std::to_string(device.bus()),
      "devnum=" + std::to_string(device.address),
      "idVendor=" + hex(device.vendor, 4),
      "idProduct=" + hex(device.product, 4),
      "maxchild=" + std::to_string(device.ports),
      "removable=" + std::string(device.isRootHub() ? "unknown" : "removable"),
      "speed=" + device.speed,
      "version= " + std::to_string(device.bcdUsb >> 8) + "." + hex(device.bcdUsb & 0xFF, 2)};
  if (!device.manufacturer.empty()) attributes.push_back("manufacturer=" + device.manufacturer);
  if (!device.productName.empty()) attributes.push_back("product=" + device.productName);
  if (!device.serial.empty()) attributes.push_back("serial=" + device.serial);
  const std::string text =
      "P: " + path + "\nN: " + node.substr(5) +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: DEVNAME=" + node +
      "\nE: BUSNUM=" + node.substr(13, 3) + "\nE: DEVNUM=" + node.substr(17, 3) + "\n" +
      attributeLines(attributes) + "H: descriptors=" + descriptorsOf(device) + "\n" +
      driverLink("usb") + "\n";
  return device.configured ? text + interfaceDescriptions(device, path) : text;
}

std::string controllerDescription(const EmulatedController& controller, const std::string& path) {
  return "P: " + path + "\nE: SUBSYSTEM=pci\nE: DRIVER=" + controller.driver + "\n" +
         attributeLines({"vendor=0x" + hex(controller.vendor, 4),
                         "device=0x" + hex(controller.device, 4), "class=0x0c0330"}) +
         "L: driver=../../../bus/pci/drivers/" + controller.driver + "\n\n";
}

}  // namespace

int EmulatedDevice::bus() const { return std::stoi(isRootHub() ? name.substr(3) : name); }

std::string EmulatedDevice::parentName() const {
  if (isRootHub()) return controller;
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "usb" + std::to_string(bus()) : name.substr(0, dot);
}

int EmulatedDevice::port() const {
  return isRootHub() ? 0 : std::stoi(name.substr(name.find_last_of("-.") + 1));
}

std::string EmulatedDevice::interface(std::size_t number) const {
  return (isRootHub() ? std::to_string(bus()) + "-0" : name) + ":1." + std::to_string(number);
}

std::string EmulatedDevice::node() const {
  char path[32];
  std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", bus(), address);
  return path;
}

// What a hub reports of its ports, and what tests make it report.
struct UsbTestbed::Hub {
  std::string node;
  bool superSpeed = false;
  int ports = 0;
  UMockdevIoctlBase* handler = nullptr;
  ~Hub() { g_object_unref(handler); }

  std::mutex mutex;
  std::set<int> connected;
  std::set<int> overCurrent;
  std::set<int> latched;  // over-current change bits that outlast the over-current
  bool ownOverCurrent = false;
  std::map<int, int> failures;  // port to errno
  // Each client's answered URBs, by their address in the client, until it reaps them.
  std::map<UMockdevIoctlClient*, std::deque<gulong>> reapable;

  unsigned portStatus(int port) const {
    if (ownOverCurrent) return superSpeed ? kSuperSpeedDisabled : 0;
    const bool on = connected.count(port) != 0;
    const unsigned status = on ? kConnectedAndEnabled : superSpeed ? kSuperSpeedRxDetect : 0;
    // A hub cuts the power of a port in over-current.
    if (overCurrent.count(port) != 0) return status | kOverCurrent;
    return status | (superSpeed ? 0x0200 : 0x0100);
  }
  unsigned portChange(int port) const {
    const bool changed = overCurrent.count(port) != 0 || latched.count(port) != 0;
    return changed ? kOverCurrentChange : 0;
  }
};

namespace {

// Throws what umockdev says went wrong, if anything did.
void throwOnError(GError* error, const std::string& what) {
  if (error == nullptr) return;
  const std::string message = error->message;
  g_error_free(error);
  throw std::runtime_error(what + ": " + message);
}

// The setup packet of a control transfer.
struct ControlRequest {
  unsigned requestType = 0;
  unsigned request = 0;
  unsigned value = 0;
  unsigned index = 0;
  unsigned length = 0;
};

unsigned hubDescriptorType(const UsbTestbed::Hub& hub) {
  return hub.superSpeed ? kSuperSpeedHubDescriptor : kHubDescriptor;
}

// The hub's descriptor: its ports, each switched and protected on its own, power good 100 ms after
// switching on. Then a USB 2 hub's DeviceRemovable and PortPwrCtrlMask bytes, or a SuperSpeed
// hub's decode latency, delay and DeviceRemovable word.
std::vector<guint8> hubDescriptor(const UsbTestbed::Hub& hub) {
  std::vector<guint8> descriptor = {
      0, guint8(hubDescriptorType(hub)), guint8(hub.ports), kPerPortPowerAndOverCurrent, 0, 50, 0};
  const std::vector<guint8> rest =
      hub.superSpeed ? std::vector<guint8>{0, 0, 0, 0, 0} : std::vector<guint8>{0, 0xFF};
  descriptor.insert(descriptor.end(), rest.begin(), rest.end());
  descriptor[0] = guint8(descriptor.size());
  return descriptor;
}

// The hub's answer to a control request, written to data: its length, or minus an errno. It
// answers GET_STATUS of its ports and of itself, and its hub descriptor (per-port power switching
// and over-current protection, as the hubs that per-port tools look for report); nothing else.
int answerRequest(UsbTestbed::Hub& hub, const ControlRequest& request, guint8* data) {
  const bool ofPort = request.requestType == kPortRequestType;
  const bool ofHub = request.requestType == kHubRequestType && request.index == 0;
  if (ofHub && request.request == kGetDescriptor && request.value == hubDescriptorType(hub) << 8) {
    const std::vector<guint8> descriptor = hubDescriptor(hub);
    const std::size_t length = std::min<std::size_t>(request.length, descriptor.size());
    std::copy_n(descriptor.begin(), length, data);
    return int(length);
  }
  if (!(ofPort || ofHub) || request.request != kGetStatus || request.length < 4) return -EPIPE;
  const int port = ofPort ? int(request.index) : 0;
  std::lock_guard<std::mutex> lock(hub.mutex);
  const auto failure = hub.failures.find(port);
  if (failure != hub.failures.end()) return -failure->second;
  const unsigned own = hub.ownOverCurrent ? kHubOverCurrent : 0;
  const unsigned status = ofPort ? hub.portStatus(port) : own;
  const unsigned change = ofPort ? hub.portChange(port) : own;
  const guint8 answer[] = {guint8(status), guint8(status >> 8), guint8(change), 0};
  std::copy(std::begin(answer), std::end(answer), data);
  return 4;
}

void complete(UMockdevIoctlClient* client, int result) {
  umockdev_ioctl_client_complete(client, result < 0 ? -1 : result, result < 0 ? -result : 0);
}

// USBDEVFS_CONTROL: the transfer at once, as the USB library sends it.
void answerControl(UsbTestbed::Hub& hub, UMockdevIoctlClient* client) {
  UMockdevIoctlData* transfer = umockdev_ioctl_data_resolve(
      umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_ctrltransfer), nullptr);
  if (transfer == nullptr) return complete(client, -EFAULT);
  const auto* setup = reinterpret_cast<const usbdevfs_ctrltransfer*>(transfer->data);
  const ControlRequest request{setup->bRequestType, setup->bRequest, setup->wValue, setup->wIndex,
                               setup->wLength};
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      transfer, offsetof(usbdevfs_ctrltransfer, data), setup->wLength, nullptr);
  complete(client, buffer == nullptr ? -EFAULT : answerRequest(hub, request, buffer->data));
}

// USBDEVFS_SUBMITURB of a control transfer, as libusb sends every transfer: answered at once and
// kept for the client to reap. The buffer begins with the little-endian setup packet.
void submitUrb(UsbTestbed::Hub& hub, UMockdevIoctlClient* client) {
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                           sizeof(usbdevfs_urb), nullptr);
  auto* urb = urbData == nullptr ? nullptr : reinterpret_cast<usbdevfs_urb*>(urbData->data);
  if (urb == nullptr || urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < 8) {
    return complete(client, -EINVAL);
  }
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                          urb->buffer_length, nullptr);
  if (buffer == nullptr) return complete(client, -EFAULT);
  const guint8* setup = buffer->data;
  const auto word = [setup](int at) { return unsigned(setup[at] | setup[at + 1] << 8); };
  const unsigned room = unsigned(urb->buffer_length) - 8;
  const ControlRequest request{setup[0], setup[1], word(2), word(4), std::min(word(6), room)};
  const int result = answerRequest(hub, request, buffer->data + 8);
  urb->status = result < 0 ? result : 0;
  urb->actual_length = result < 0 ? 0 : result;
  {
    std::lock_guard<std::mutex> lock(hub.mutex);
    hub.reapable[client].push_back(urbData->client_addr);
  }
  complete(client, 0);
}

// USBDEVFS_REAPURB(NDELAY): the client's oldest answered URB; none left is EAGAIN.
void reapUrb(UsbTestbed::Hub& hub, UMockdevIoctlClient* client) {
  UMockdevIoctlData* target = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                          sizeof(gulong), nullptr);
  if (target == nullptr) return complete(client, -EFAULT);
  std::lock_guard<std::mutex> lock(hub.mutex);
  const auto urbs = hub.reapable.find(client);
  if (urbs == hub.reapable.end()) return complete(client, -EAGAIN);
  std::memcpy(target->data, &urbs->second.front(), sizeof(gulong));
  urbs->second.pop_front();
  if (urbs->second.empty()) hub.reapable.erase(urbs);
  complete(client, 0);
}

// Answers control transfers on a hub's node; refuses every other request.
gboolean answerIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto& hub = *static_cast<UsbTestbed::Hub*>(data);
  const gulong request = umockdev_ioctl_client_get_request(client);
  if (request == static_cast<gulong>(USBDEVFS_CONTROL)) {
    answerControl(hub, client);
  } else if (request == static_cast<gulong>(USBDEVFS_SUBMITURB)) {
    submitUrb(hub, client);
  } else if (request == static_cast<gulong>(USBDEVFS_REAPURBNDELAY) ||
             request == static_cast<gulong>(USBDEVFS_REAPURB)) {
    reapUrb(hub, client);
  } else {
    complete(client, -ENOTTY);
  }
  return TRUE;
}

}  // namespace

UsbTestbed::UsbTestbed() : m_testbed(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed() {
  for (const auto& [name, hub] : m_hubs) {
    umockdev_testbed_detach_ioctl(m_testbed, hub->node.c_str(), nullptr);
  }
  m_hubs.clear();
  g_object_unref(m_testbed);
}

void UsbTestbed::addDescription(const std::string& name, const std::string& path,
                                const std::string& text) {
  GError* error = nullptr;
  umockdev_testbed_add_from_string(m_testbed, text.c_str(), &error);
  throwOnError(error, "umockdev refuses " + name);
  m_paths[name] = path;
}

void UsbTestbed::add(const EmulatedController& controller) {
  const std::string path = "/devices/" + controller.parentName + "/" + controller.name;
  addDescription(controller.name, path, controllerDescription(controller, path));
}

void UsbTestbed::add(const EmulatedDevice& device) {
  const auto parent = m_paths.find(device.parentName());
  if (parent == m_paths.end()) throw std::runtime_error(device.name + ": add its parent first");
  const std::string path = parent->second + "/" + device.name;
  addDescription(device.name, path, deviceDescription(device, path));
  m_devices.push_back(device);
  if (m_hubs.count(device.parentName()) != 0) {
    Hub& parentHub = hub(device.parentName());
    std::lock_guard<std::mutex> lock(parentHub.mutex);
    parentHub.connected.insert(device.port());
  }
  if (!device.isHub()) return;
  auto hub = std::make_unique<Hub>();
  hub->node = device.node();
  hub->superSpeed = device.bcdUsb >= 0x0300;
  hub->ports = device.ports;
  hub->handler = UMOCKDEV_IOCTL_BASE(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr));
  g_signal_connect(hub->handler, "handle-ioctl", G_CALLBACK(answerIoctl), hub.get());
  GError* error = nullptr;
  umockdev_testbed_attach_ioctl(m_testbed, hub->node.c_str(), hub->handler, &error);
  throwOnError(error, "umockdev cannot answer for " + hub->node);
  m_hubs.emplace(device.name, std::move(hub));
}

const EmulatedDevice& UsbTestbed::device(const std::string& name) const {
  for (const EmulatedDevice& device : m_devices) {
    if (device.name == name) return device;
  }
  throw std::runtime_error("no emulated device " + name);
}

UsbTestbed::Hub& UsbTestbed::hub(const std::string& name) {
  const auto found = m_hubs.find(name);
  if (found == m_hubs.end()) throw std::runtime_error("no emulated hub " + name);
  return *found->second;
}

void UsbTestbed::setOverCurrent(const std::string& hubName, int port, bool on) {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  if (on) {
    target.overCurrent.insert(port);
  } else {
    target.overCurrent.erase(port);
  }
}

void UsbTestbed::latchOverCurrentChange(const std::string& hubName, int port) {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  target.latched.insert(port);
}

void UsbTestbed::setHubOverCurrent(const std::string& hubName) {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  target.ownOverCurrent = true;
}

void UsbTestbed::setOverCurrentCount(const std::string& hubName, int port, int count) {
  const std::string interface = "/sys" + m_paths.at(hubName) + "/" + device(hubName).interface(0);
  const std::string file = hubName + "-port" + std::to_string(port) + "/over_current_count";
  umockdev_testbed_set_attribute(m_testbed, interface.c_str(), file.c_str(),
                                 (std::to_string(count) + "\n").c_str());
}

void UsbTestbed::failPort(const std::string& hubName, int port, int errorNumber) {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  target.failures.erase(port);
  if (errorNumber != 0) target.failures[port] = errorNumber;
}

void UsbTestbed::uevent(const std::string& name, const std::string& below,
                        const std::string& action,
                        const std::map<std::string, std::string>& properties) {
  const std::string path = "/sys" + m_paths.at(name) + (below.empty() ? "" : "/" + below);
  for (const auto& [property, value] : properties) {
    umockdev_testbed_set_property(m_testbed, path.c_str(), property.c_str(), value.c_str());
  }
  umockdev_testbed_uevent(m_testbed, path.c_str(), action.c_str());
}
