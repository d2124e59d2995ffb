#include "UsbTestbed.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <stdexcept>

#include <umockdev.h>

namespace {

// The hub class request GET_STATUS addressed to a port.
constexpr unsigned kPortRequestType = 0xA3;
constexpr unsigned kGetStatus = 0x00;

// wPortStatus bits as hubs set them.
constexpr unsigned kConnection = 0x0001;
constexpr unsigned kEnable = 0x0002;
constexpr unsigned kOverCurrent = 0x0008;
constexpr unsigned kUsb2Power = 0x0100;
constexpr unsigned kUsb2LowSpeed = 0x0200;
constexpr unsigned kUsb2HighSpeed = 0x0400;
constexpr unsigned kSuperSpeedPower = 0x0200;
constexpr unsigned kSuperSpeedRxDetect = 0x5 << 5;
// wPortChange: the over-current indicator changed.
constexpr unsigned kOverCurrentChange = 0x0008;

std::string hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

void appendWord(std::vector<unsigned char>& bytes, unsigned word) {
  bytes.push_back(static_cast<unsigned char>(word & 0xFF));
  bytes.push_back(static_cast<unsigned char>(word >> 8));
}

// The raw descriptors sysfs shows in "descriptors": the device descriptor, then the one
// configuration with its interfaces, each with one interrupt endpoint.
std::string descriptorsOf(const EmulatedDevice& device) {
  std::vector<unsigned char> bytes = {18, 1};
  appendWord(bytes, static_cast<unsigned>(device.bcdUsb));
  bytes.insert(bytes.end(), {static_cast<unsigned char>(device.deviceClass), 0,
                             static_cast<unsigned char>(device.deviceProtocol),
                             static_cast<unsigned char>(device.bcdUsb >= 0x0300 ? 9 : 64)});
  appendWord(bytes, static_cast<unsigned>(device.vendor));
  appendWord(bytes, static_cast<unsigned>(device.product));
  appendWord(bytes, static_cast<unsigned>(device.bcdDevice));
  bytes.insert(bytes.end(), {static_cast<unsigned char>(device.manufacturer.empty() ? 0 : 1),
                             static_cast<unsigned char>(device.productName.empty() ? 0 : 2),
                             static_cast<unsigned char>(device.serial.empty() ? 0 : 3), 1});
  const std::size_t interfaces = device.interfaces.empty() ? 1 : device.interfaces.size();
  bytes.insert(bytes.end(), {9, 2});
  appendWord(bytes, static_cast<unsigned>(9 + interfaces * 16));
  bytes.insert(bytes.end(), {static_cast<unsigned char>(interfaces), 1, 0, 0xE0, 50});
  for (std::size_t i = 0; i < interfaces; ++i) {
    const EmulatedInterface interface =
        device.interfaces.empty() ? EmulatedInterface{0xFF, 0, 0, ""} : device.interfaces[i];
    bytes.insert(bytes.end(), {9, 4, static_cast<unsigned char>(i), 0, 1,
                               static_cast<unsigned char>(interface.interfaceClass),
                               static_cast<unsigned char>(interface.subClass),
                               static_cast<unsigned char>(interface.protocol), 0});
    bytes.insert(bytes.end(), {7, 5, static_cast<unsigned char>(0x81 + i), 3, 8, 0, 12});
  }
  std::string text;
  for (const unsigned char byte : bytes) text += hex(byte, 2);
  return text;
}

// One line of umockdev's device description format for an attribute: the kernel ends each
// with a newline, written "\n" here.
std::string attributeLine(const std::string& name, const std::string& value) {
  return "A: " + name + "=" + value + "\\n\n";
}

std::string devicePath(const EmulatedDevice& device) {
  const std::size_t dash = device.name.find('-');
  return dash == std::string::npos ? "0" : device.name.substr(dash + 1);
}

std::string interfaceName(const EmulatedDevice& device, std::size_t index) {
  const std::string owner =
      device.name.rfind("usb", 0) == 0 ? std::to_string(device.bus()) + "-0" : device.name;
  return owner + ":1." + std::to_string(index);
}

std::string driverLink(const std::string& driver) {
  return "L: driver=../../../../../../../bus/usb/drivers/" + driver + "\n";
}

std::string deviceDescription(const EmulatedDevice& device, const std::string& path) {
  const std::string node = device.node().substr(5);  // without "/dev/"
  std::string text = "P: " + path + "\nN: " + node + "\n";
  text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n";
  text += "E: DEVNAME=" + device.node() + "\n";
  text += "E: PRODUCT=" + hex(device.vendor, 1) + "/" + hex(device.product, 1) + "/" +
          hex(device.bcdDevice, 1) + "\n";
  text += "E: BUSNUM=" + node.substr(8, 3) + "\nE: DEVNUM=" + node.substr(12, 3) + "\n";
  text +=
      "E: MAJOR=189\nE: MINOR=" + std::to_string((device.bus() - 1) * 128 + device.address - 1) +
      "\n";
  text += attributeLine("authorized", device.authorized ? "1" : "0");
  text += attributeLine("bConfigurationValue", device.configured ? "1" : "");
  text += attributeLine("bDeviceClass", hex(device.deviceClass, 2));
  text += attributeLine("bDeviceSubClass", "00");
  text += attributeLine("bDeviceProtocol", hex(device.deviceProtocol, 2));
  text += attributeLine("bMaxPacketSize0", device.bcdUsb >= 0x0300 ? "9" : "64");
  text += attributeLine("bMaxPower", "100mA");
  text += attributeLine("bNumConfigurations", "1");
  text += attributeLine("bNumInterfaces",
                        (device.configured ? " " + std::to_string(device.interfaces.size()) : ""));
  text += attributeLine("bcdDevice", hex(device.bcdDevice, 4));
  text += attributeLine("bmAttributes", "e0");
  text += attributeLine("busnum", std::to_string(device.bus()));
  text += attributeLine("devnum", std::to_string(device.address));
  text += attributeLine("devpath", devicePath(device));
  text += attributeLine("idVendor", hex(device.vendor, 4));
  text += attributeLine("idProduct", hex(device.product, 4));
  text += attributeLine("maxchild", std::to_string(device.ports));
  text += attributeLine("removable", device.name.rfind("usb", 0) == 0 ? "unknown" : "removable");
  text += attributeLine("speed", device.speed);
  text += attributeLine(
      "version", " " + std::to_string(device.bcdUsb >> 8) + "." + hex(device.bcdUsb & 0xFF, 2));
  text += attributeLine("rx_lanes", "1");
  text += attributeLine("tx_lanes", "1");
  text += attributeLine("configuration", "");
  text += attributeLine("quirks", "0x0");
  if (!device.manufacturer.empty()) text += attributeLine("manufacturer", device.manufacturer);
  if (!device.productName.empty()) text += attributeLine("product", device.productName);
  if (!device.serial.empty()) text += attributeLine("serial", device.serial);
  text += "H: descriptors=" + descriptorsOf(device) + "\n";
  text += driverLink("usb") + "\n";
  if (!device.configured) return text;
  for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
    const EmulatedInterface& interface = device.interfaces[i];
    text += "P: " + path + "/" + interfaceName(device, i) + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n";
    if (!interface.driver.empty()) text += "E: DRIVER=" + interface.driver + "\n";
    text += "E: INTERFACE=" + std::to_string(interface.interfaceClass) + "/" +
            std::to_string(interface.subClass) + "/" + std::to_string(interface.protocol) + "\n";
    text += attributeLine("authorized", "1");
    text += attributeLine("bAlternateSetting", " 0");
    text += attributeLine("bInterfaceClass", hex(interface.interfaceClass, 2));
    text += attributeLine("bInterfaceNumber", hex(i, 2));
    text += attributeLine("bInterfaceProtocol", hex(interface.protocol, 2));
    text += attributeLine("bInterfaceSubClass", hex(interface.subClass, 2));
    text += attributeLine("bNumEndpoints", "01");
    text += attributeLine("supports_autosuspend", "1");
    if (!interface.driver.empty()) text += driverLink(interface.driver);
    text += "\n";
  }
  return text;
}

std::string controllerDescription(const EmulatedController& controller, const std::string& path) {
  std::string text = "P: " + path + "\nE: SUBSYSTEM=pci\nE: DRIVER=" + controller.driver + "\n";
  text += "E: PCI_ID=" + hex(controller.vendor, 4) + ":" + hex(controller.device, 4) + "\n";
  text += attributeLine("vendor", "0x" + hex(controller.vendor, 4));
  text += attributeLine("device", "0x" + hex(controller.device, 4));
  text += attributeLine("class", "0x0c0330");
  text += "L: driver=../../../bus/pci/drivers/" + controller.driver + "\n\n";
  return text;
}

}  // namespace

int EmulatedDevice::bus() const {
  return std::stoi(name.rfind("usb", 0) == 0 ? name.substr(3) : name.substr(0, name.find('-')));
}

std::string EmulatedDevice::parentName() const {
  if (name.rfind("usb", 0) == 0) return controller;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) return name.substr(0, dot);
  return "usb" + std::to_string(bus());
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
  UMockdevIoctlBase* handler = nullptr;

  mutable std::mutex mutex;
  std::map<int, std::string> deviceSpeeds;  // port to the speed of the device on it
  std::set<int> overCurrent;
  std::map<int, int> failures;  // port to errno
  int statusRequests = 0;

  unsigned portStatus(int port) const {
    const auto device = deviceSpeeds.find(port);
    const bool connected = device != deviceSpeeds.end();
    unsigned status = 0;
    if (superSpeed) {
      status = kSuperSpeedPower | (connected ? kConnection | kEnable : kSuperSpeedRxDetect);
    } else {
      status = kUsb2Power;
      if (connected) {
        status |= kConnection | kEnable;
        if (device->second == "480") status |= kUsb2HighSpeed;
        if (device->second == "1.5") status |= kUsb2LowSpeed;
      }
    }
    // A hub cuts the power of a port in over-current.
    if (overCurrent.count(port) != 0) {
      status = (status & ~(superSpeed ? kSuperSpeedPower : kUsb2Power)) | kOverCurrent;
    }
    return status;
  }
};

namespace {

gboolean answerIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto* hub = static_cast<UsbTestbed::Hub*>(data);
  if (umockdev_ioctl_client_get_request(client) != static_cast<gulong>(USBDEVFS_CONTROL)) {
    umockdev_ioctl_client_complete(client, -1, ENOTTY);
    return TRUE;
  }
  UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* transfer =
      umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_ctrltransfer), nullptr);
  if (transfer == nullptr) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return TRUE;
  }
  const auto* request = reinterpret_cast<const usbdevfs_ctrltransfer*>(transfer->data);
  if (request->bRequestType != kPortRequestType || request->bRequest != kGetStatus ||
      request->wLength < 4) {
    umockdev_ioctl_client_complete(client, -1, EPIPE);
    return TRUE;
  }
  const int port = request->wIndex;
  const std::uint16_t length = request->wLength;
  std::lock_guard<std::mutex> lock(hub->mutex);
  const auto failure = hub->failures.find(port);
  if (failure != hub->failures.end()) {
    umockdev_ioctl_client_complete(client, -1, failure->second);
    return TRUE;
  }
  UMockdevIoctlData* buffer =
      umockdev_ioctl_data_resolve(transfer, offsetof(usbdevfs_ctrltransfer, data), length, nullptr);
  if (buffer == nullptr) {
    umockdev_ioctl_client_complete(client, -1, EFAULT);
    return TRUE;
  }
  const unsigned status = hub->portStatus(port);
  const unsigned change = hub->overCurrent.count(port) != 0 ? kOverCurrentChange : 0;
  buffer->data[0] = static_cast<guint8>(status & 0xFF);
  buffer->data[1] = static_cast<guint8>(status >> 8);
  buffer->data[2] = static_cast<guint8>(change & 0xFF);
  buffer->data[3] = static_cast<guint8>(change >> 8);
  ++hub->statusRequests;
  umockdev_ioctl_client_complete(client, 4, 0);
  return TRUE;
}

}  // namespace

UsbTestbed::UsbTestbed() : m_testbed(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed() {
  for (const auto& [name, hub] : m_hubs) {
    umockdev_testbed_detach_ioctl(m_testbed, hub->node.c_str(), nullptr);
    g_object_unref(hub->handler);
  }
  g_object_unref(m_testbed);
}

void UsbTestbed::add(const EmulatedController& controller) {
  const std::string path = "/devices/" + controller.parentName + "/" + controller.name;
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(m_testbed, controllerDescription(controller, path).c_str(),
                                        &error)) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("umockdev refuses controller " + controller.name + ": " + message);
  }
  m_paths[controller.name] = path;
}

void UsbTestbed::add(const EmulatedDevice& device) {
  const auto parent = m_paths.find(device.parentName());
  if (parent == m_paths.end()) throw std::runtime_error(device.name + ": add its parent first");
  const std::string path = parent->second + "/" + device.name;
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(m_testbed, deviceDescription(device, path).c_str(),
                                        &error)) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("umockdev refuses device " + device.name + ": " + message);
  }
  m_paths[device.name] = path;
  m_devices.push_back(device);
  const auto parentHub = m_hubs.find(device.parentName());
  if (parentHub != m_hubs.end()) {
    const int port = std::stoi(device.name.substr(device.name.find_last_of("-.") + 1));
    std::lock_guard<std::mutex> lock(parentHub->second->mutex);
    parentHub->second->deviceSpeeds[port] = device.speed;
  }
  if (!device.isHub()) return;
  auto hub = std::make_unique<Hub>();
  hub->node = device.node();
  hub->superSpeed = device.bcdUsb >= 0x0300;
  hub->handler = UMOCKDEV_IOCTL_BASE(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr));
  g_signal_connect(hub->handler, "handle-ioctl", G_CALLBACK(answerIoctl), hub.get());
  if (!umockdev_testbed_attach_ioctl(m_testbed, hub->node.c_str(), hub->handler, &error)) {
    const std::string message = error->message;
    g_error_free(error);
    g_object_unref(hub->handler);
    throw std::runtime_error("umockdev cannot answer for " + hub->node + ": " + message);
  }
  m_hubs.emplace(device.name, std::move(hub));
}

const EmulatedDevice& UsbTestbed::device(const std::string& name) const {
  for (const EmulatedDevice& device : m_devices) {
    if (device.name == name) return device;
  }
  throw std::runtime_error("no emulated device " + name);
}

UsbTestbed::Hub& UsbTestbed::hub(const std::string& name) const {
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

void UsbTestbed::failPort(const std::string& hubName, int port, int errorNumber) {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  if (errorNumber == 0) {
    target.failures.erase(port);
  } else {
    target.failures[port] = errorNumber;
  }
}

int UsbTestbed::statusRequests(const std::string& hubName) const {
  Hub& target = hub(hubName);
  std::lock_guard<std::mutex> lock(target.mutex);
  return target.statusRequests;
}

void UsbTestbed::protectNode(const std::string& name) const {
  // The testbed and the socket umockdev answers the node's requests on stay open to other
  // users, who get no further than the node itself.
  ::chmod(rootDir().c_str(), 0755);
  ::chmod((rootDir() + "/ioctl" + device(name).node()).c_str(), 0666);
  ::chmod((rootDir() + device(name).node()).c_str(), 0444);
}

std::string UsbTestbed::rootDir() const {
  gchar* root = umockdev_testbed_get_root_dir(m_testbed);
  const std::string path = root;
  g_free(root);
  return path;
}
