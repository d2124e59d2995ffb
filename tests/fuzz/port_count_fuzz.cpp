// The port count read from a hub's additional hardware information, on any text: it never
// fails, and a well-formed entry anywhere in the text gives its number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/HalvexDevice.h"
#include "log/trace_log.h"

namespace {

using KestraDiags::Halvex::HalvexDevice;

// Reaches the base's hardware information, which only the module's own code writes.
class HubWithInfo : public HalvexDevice {
 public:
  explicit HubWithInfo(std::string info)
      : HalvexDevice("USB_DEV_NAME", "USB_DEV_DESC", "USB_DEV_DISABLE", "", "USBDevice", "1", 0) {
    m_addlHWInfo = std::move(info);
  }
};

constexpr const char* kLabel = "Number of Ports:";

int portsOf(std::string info) { return HubWithInfo(std::move(info)).getNumberOfPorts(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Device code writes to the current trace stream, which a module object sets first.
  g_pCurrentLog = &g_enumeratorLog;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  portsOf(text);
  // The same bytes around a proper entry: text before it without the label, any text after.
  if (size < 4) return 0;
  const std::int32_t ports =
      static_cast<std::int32_t>(std::uint32_t(data[0]) << 24 | std::uint32_t(data[1]) << 16 |
                                std::uint32_t(data[2]) << 8 | data[3]);
  const std::string rest = text.substr(4);
  const std::string before = rest.substr(0, rest.size() / 2);
  if (before.find(kLabel) != std::string::npos) return 0;
  const std::string entry = kLabel + std::to_string(ports) + "|";
  if (portsOf(before + entry + rest.substr(rest.size() / 2)) != ports) std::abort();
  return 0;
}
