#pragma once

#include <map>
#include <memory>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;

// A USB machine that umockdev emulates for this process and the programs it starts: the sysfs
// and usbfs nodes that tests/linux/<machine>.umockdev describes in umockdev's own format, and
// hubs that answer GET_STATUS for their ports and themselves, each port with an over-current bit
// that a test sets and clears. Only one may exist at a time.
class UsbTestbed {
 public:
  explicit UsbTestbed(const std::string& machine = "");  // "": a machine without USB
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

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
  std::string sysfsPath(const std::string& name) const;  // "/sys/devices/.../usb1/1-1"
  void answerForHubs();

  UMockdevTestbed* m_testbed;
  std::string m_root;  // the testbed's folder, which holds its sys and dev
  std::map<std::string, std::unique_ptr<Hub>> m_hubs;
};
