#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

// Whether umockdev's library is preloaded into this process, as umockdev-wrapper does: only then
// do it and the programs it starts see an emulated machine.
bool umockdevPreloaded();

// A USB machine that umockdev emulates for this process and the programs it starts: the sysfs
// and usbfs nodes that tests/linux/<machine>.umockdev describes in umockdev's own format, and
// hubs that answer GET_STATUS for their ports and themselves as a test sets them. Only one may
// exist at a time.
class UsbTestbed {
 public:
  explicit UsbTestbed(const std::string& machine = "");  // "": a machine without USB
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  // Sets what each row says, for a hub's port or the hub itself: "over-current HUB PORT" (its
  // change bit with it), "latched HUB PORT" (a change bit that outlasted the over-current),
  // "hub-over-current HUB" (its own, which cuts every port), "count HUB PORT N" (the kernel's
  // count of the port's over-currents, in sysfs), "fails HUB PORT ERRNO" (its GET_STATUS fails);
  // or "without-descriptors": every device's records come from its attribute files alone.
  void apply(const std::vector<std::string>& rows);
  // Sends the kernel's uevent that the row describes: "ACTION DEVICE BELOW PROPERTY=VALUE...", of
  // the device (such as "1-2") or of its entry below (an interface such as "1-2:1.0"; "-" for
  // none), with the properties added to those it keeps from then on.
  void uevent(const std::string& row);

  struct Hub;

 private:
  std::string sysfsPath(const std::string& name) const;  // "/sys/devices/.../usb1/1-1"
  void answerForHubs();

  UMockdevTestbed* m_testbed;
  std::string m_root;  // the testbed's folder, which holds its sys and dev
  std::map<std::string, std::unique_ptr<Hub>> m_hubs;
};
