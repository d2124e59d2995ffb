#include "UsbTestbed.h"

#include <dlfcn.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <umockdev.h>

namespace fs = std::filesystem;

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

}  // namespace

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
int answerRequest(UsbTestbed::Hub& hub, const usbdevfs_ctrltransfer& request, guint8* data) {
  const bool ofPort = request.bRequestType == kPortRequestType;
  const bool ofHub = request.bRequestType == kHubRequestType && request.wIndex == 0;
  if (ofHub && request.bRequest == kGetDescriptor &&
      request.wValue == hubDescriptorType(hub) << 8) {
    const std::vector<guint8> descriptor = hubDescriptor(hub);
    const std::size_t length = std::min<std::size_t>(request.wLength, descriptor.size());
    std::copy_n(descriptor.begin(), length, data);
    return int(length);
  }
  if (!(ofPort || ofHub) || request.bRequest != kGetStatus || request.wLength < 4) return -EPIPE;
  const int port = ofPort ? int(request.wIndex) : 0;
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
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      transfer, offsetof(usbdevfs_ctrltransfer, data), setup->wLength, nullptr);
  complete(client, buffer == nullptr ? -EFAULT : answerRequest(hub, *setup, buffer->data));
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
  const auto word = [setup](int at) { return guint16(setup[at] | setup[at + 1] << 8); };
  const guint16 room = guint16(urb->buffer_length - 8);
  usbdevfs_ctrltransfer request{setup[0], setup[1], word(2), word(4), 0, 0, nullptr};
  request.wLength = std::min(word(6), room);
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

// The first word of a sysfs attribute of the device in folder; "" when it has none.
std::string attribute(const fs::path& folder, const char* name) {
  std::ifstream file(folder / name);
  std::string word;
  file >> word;
  return word;
}

// An empty testbed, which only umockdev's preloaded library shows to this process and the programs
// it starts; the USB library there uses its Linux backend on it.
UMockdevTestbed* newTestbed() {
  if (!umockdevPreloaded()) {
    throw std::runtime_error("run it under umockdev-wrapper, which preloads umockdev's library");
  }
  ::unsetenv("LUDREL_TOPOLOGY");
  return umockdev_testbed_new();
}

}  // namespace

bool umockdevPreloaded() {
  return ::dlopen("libumockdev-preload.so.0", RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

UsbTestbed::UsbTestbed(const std::string& machine)
    : m_testbed(newTestbed()), m_root(std::getenv("UMOCKDEV_DIR")) {
  if (machine.empty()) return;
  GError* error = nullptr;
  const std::string file = std::string(HALVEX_TESTBED_MACHINES) + "/" + machine + ".umockdev";
  umockdev_testbed_add_from_file(m_testbed, file.c_str(), &error);
  throwOnError(error, "umockdev refuses " + file);
  answerForHubs();
}

UsbTestbed::~UsbTestbed() {
  for (const auto& [name, hub] : m_hubs) {
    umockdev_testbed_detach_ioctl(m_testbed, hub->node.c_str(), nullptr);
  }
  m_hubs.clear();
  g_object_unref(m_testbed);
}

// Each hub in sysfs answers on its node, with the ports that have a device on them connected.
void UsbTestbed::answerForHubs() {
  const fs::path devices = m_root + "/sys/bus/usb/devices";
  for (const fs::directory_entry& entry : fs::directory_iterator(devices)) {
    const std::string name = entry.path().filename();
    if (attribute(entry.path(), "bDeviceClass") != "09") continue;
    auto hub = std::make_unique<Hub>();
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d",
                  std::stoi(attribute(entry.path(), "busnum")),
                  std::stoi(attribute(entry.path(), "devnum")));
    hub->node = node;
    hub->superSpeed = std::stoi(attribute(entry.path(), "speed")) >= 5000;
    hub->ports = std::stoi(attribute(entry.path(), "maxchild"));
    const std::string childPrefix = name.rfind("usb", 0) == 0 ? name.substr(3) + "-" : name + ".";
    for (int port = 1; port <= hub->ports; ++port) {
      if (fs::exists(devices / (childPrefix + std::to_string(port)))) hub->connected.insert(port);
    }
    hub->handler = UMOCKDEV_IOCTL_BASE(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr));
    g_signal_connect(hub->handler, "handle-ioctl", G_CALLBACK(answerIoctl), hub.get());
    GError* error = nullptr;
    umockdev_testbed_attach_ioctl(m_testbed, node, hub->handler, &error);
    throwOnError(error, "umockdev cannot answer for " + hub->node);
    m_hubs.emplace(name, std::move(hub));
  }
}

std::string UsbTestbed::sysfsPath(const std::string& name) const {
  const std::string path = fs::canonical(m_root + "/sys/bus/usb/devices/" + name);
  return path.substr(fs::canonical(m_root).string().size());
}

void UsbTestbed::apply(const std::vector<std::string>& rows) {
  for (const std::string& row : rows) {
    std::istringstream words(row);
    std::string what, name;
    int port = 0, number = 0;
    words >> what >> name >> port >> number;
    if (what == "without-descriptors") {
      for (const auto& device : fs::directory_iterator(m_root + "/sys/bus/usb/devices")) {
        fs::remove(device.path() / "descriptors");
      }
      continue;
    }
    if (what == "count") {
      const bool root = name.rfind("usb", 0) == 0;
      const std::string interface = sysfsPath((root ? name.substr(3) + "-0" : name) + ":1.0");
      const std::string file = name + "-port" + std::to_string(port) + "/over_current_count";
      umockdev_testbed_set_attribute(m_testbed, interface.c_str(), file.c_str(),
                                     (std::to_string(number) + "\n").c_str());
      continue;
    }
    const auto found = m_hubs.find(name);
    if (found == m_hubs.end()) throw std::runtime_error("no emulated hub in " + row);
    Hub& target = *found->second;
    std::lock_guard<std::mutex> lock(target.mutex);
    if (what == "over-current") {
      target.overCurrent.insert(port);
    } else if (what == "latched") {
      target.latched.insert(port);
    } else if (what == "hub-over-current") {
      target.ownOverCurrent = true;
    } else if (what == "fails") {
      target.failures[port] = number;
    } else {
      throw std::runtime_error("no such state of a hub: " + row);
    }
  }
}

void UsbTestbed::uevent(const std::string& row) {
  std::istringstream words(row);
  std::string action, name, below;
  words >> action >> name >> below;
  const std::string path = sysfsPath(name) + (below == "-" ? "" : "/" + below);
  for (std::string property; words >> property;) {
    const std::size_t equals = property.find('=');
    umockdev_testbed_set_property(m_testbed, path.c_str(), property.substr(0, equals).c_str(),
                                  property.substr(equals + 1).c_str());
  }
  umockdev_testbed_uevent(m_testbed, path.c_str(), action.c_str());
}
