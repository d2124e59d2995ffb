#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

// A host controller of the emulated machine, such as a PCI function.
struct EmulatedController {
  std::string name;        // "0000:00:14.0"
  std::string parentName;  // "pci0000:00"
  int vendor = 0;
  int device = 0;
  std::string driver;  // "xhci_hcd"
};

struct EmulatedInterface {
  int interfaceClass = 0;
  int subClass = 0;
  int protocol = 0;
  std::string driver;  // empty: no driver claims it
};

// A USB device as the kernel would show it. Empty strings are strings the device lacks.
struct EmulatedDevice {
  std::string name;        // "usb1", "1-1.4"
  std::string controller;  // a root hub's controller
  int address = 0;
  int vendor = 0;
  int product = 0;
  int bcdDevice = 0;
  int bcdUsb = 0x0200;
  int deviceClass = 0;
  int deviceProtocol = 0;
  std::string manufacturer;
  std::string productName;
  std::string serial;
  std::string speed = "480";
  int ports = 0;  // a hub's
  bool authorized = true;
  bool configured = true;
  std::vector<EmulatedInterface> interfaces;

  bool isHub() const { return deviceClass == 0x09; }
  bool isRootHub() const { return name.rfind("usb", 0) == 0; }
  int bus() const;
  std::string parentName() const;                   // the hub it is on; a root hub's controller
  int port() const;                                 // on that hub; 0 for a root hub
  std::string node() const;                         // "/dev/bus/usb/001/002"
  std::string interface(std::size_t number) const;  // "1-1:1.0"; a root hub's "1-0:1.0"
};

// A USB machine that umockdev emulates for this process and the programs it starts: sysfs with
// the devices, their usbfs nodes, and hubs that answer GET_STATUS for their ports and
// themselves, each port with an over-current bit that a test sets and clears. Only one may
// exist at a time.
class UsbTestbed {
 public:
  UsbTestbed();  // a machine without USB
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  void add(const EmulatedController& controller);
  // The parent must have been added first.
  void add(const EmulatedDevice& device);

  const std::vector<EmulatedDevice>& devices() const { return m_devices; }
  const EmulatedDevice& device(const std::string& name) const;

  void setOverCurrent(const std::string& hubName, int port, bool on);
  // The port's over-current change bit stays set after its over-current has gone.
  void latchOverCurrentChange(const std::string& hubName, int port);
  // The hub reports over-current of its own, with its change bit, and cuts every port.
  void setHubOverCurrent(const std::string& hubName);
  // The kernel's count of the port's over-currents, in sysfs under the hub's interface.
  void setOverCurrentCount(const std::string& hubName, int port, int count);
  // The hub answers GET_STATUS of the port with this error (0: answers again).
  void failPort(const std::string& hubName, int port, int errorNumber);
  // Sends the kernel's uevent of the device called name, or of its entry below (an interface such
  // as "1-2:1.0"), with these properties added to those it keeps from then on.
  void uevent(const std::string& name, const std::string& below, const std::string& action,
              const std::map<std::string, std::string>& properties = {});

  struct Hub;

 private:
  Hub& hub(const std::string& name);
  void addDescription(const std::string& name, const std::string& path, const std::string& text);

  UMockdevTestbed* m_testbed;
  std::map<std::string, std::string> m_paths;  // sysfs path of each controller and device
  std::vector<EmulatedDevice> m_devices;
  std::map<std::string, std::unique_ptr<Hub>> m_hubs;
};
