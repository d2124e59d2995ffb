#include <utility>

#include "device/HalvexDevice.h"
#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

namespace {

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Ports of the remote-access controller's composite devices stay out of the cache; the key's
// IDs are lower-case hexadecimal.
const char* compositeDeviceTrace(const std::string& sKey) {
  if (contains(sKey, "ZELT4") || (contains(sKey, "2500") && contains(sKey, "5b7d"))) {
    return "Found ZELT4 USB Composite Device, ignoring:";
  }
  if (contains(sKey, "ZELT5") ||
      ((contains(sKey, "0000") || contains(sKey, "0001")) && contains(sKey, "5b7d"))) {
    return "Found ZELT5 USB Composite Device/Media, ignoring:";
  }
  return nullptr;
}

}  // namespace

void HalvexDevice::FillHubCache(const std::string& sHubDescriptor, const int& nNumofPorts,
                                Ludrel::USBDeviceFinder* finder) {
  writeTrace(*g_pCurrentLog, "Entering HalvexDevice::FillHubCache");
  writeTrace(*g_pCurrentLog, "sHubDescriptor:", sHubDescriptor);
  writeTrace(*g_pCurrentLog, "nNumofPorts:", nNumofPorts);
  try {
    m_hubCache.clear();
    std::string sKey;
    void* const noHandle = nullptr;
    // A wider counter, so that a port count of INT_MAX ends the walk instead of overflowing.
    for (std::int64_t port = 1; port < static_cast<std::int64_t>(nNumofPorts) + 1; ++port) {
      const int nPort = static_cast<int>(port);
      if (!finder->isPortBusy(sHubDescriptor, nPort, sKey, noHandle)) {
        sKey.clear();
        continue;
      }
      writeTrace(*g_pCurrentLog, " -> Key:", sKey);
      writeTrace(*g_pCurrentLog, "Port Index:", nPort);
      // A skipped key stays in sKey for the next port's query.
      if (const char* skipTrace = compositeDeviceTrace(sKey)) {
        writeTrace(*g_pCurrentLog, skipTrace, sKey);
      } else {
        // The key's text goes into the cache as it is; the next busy port writes a new one.
        m_hubCache.emplace(std::move(sKey), nPort);
        sKey.clear();
      }
    }
  } catch (int error) {
    writeTrace(*g_pCurrentLog, "Error:", error);
  }
  writeTrace(*g_pCurrentLog, "Leaving HalvexDevice::FillHubCache");
}

}  // namespace Halvex
}  // namespace KestraDiags
