#include <cstdint>
#include <cstdlib>
#include <memory>

#include "device/HalvexDevice.h"
#include "log/trace_log.h"

namespace KestraDiags {
namespace Halvex {

namespace {

constexpr int kNoDeviceOnPort = -1;
constexpr int kOverCurrent = 2;

}  // namespace

int HalvexDevice::getNumberOfPorts() {
  // Without the label the positions are npos, and the unsigned arithmetic below wraps to the
  // start of the text: a leading number still counts, as the hub information has always been read.
  const std::string::size_type label = m_addlHWInfo.find("Number of Ports:");
  const std::string::size_type colon = m_addlHWInfo.find(':', label);
  const std::string::size_type bar = m_addlHWInfo.find('|', label + 1);
  const std::string count = m_addlHWInfo.substr(colon + 1, bar - colon - 1);
  const int nPorts = std::atoi(count.c_str());
  writeTrace(*g_pCurrentLog, "Number of ports on this device are :", nPorts);
  return nPorts;
}

int HalvexDevice::isOCStateExist(std::string& /*detailText*/) {
  writeTrace(*g_pCurrentLog, "Entering HalvexDevice::isOCStateExist");
  writeTrace(*g_pCurrentLog, "Creating object of USBDeviceFinder");
  // Owned for this call only; a query that throws still releases it on the way out.
  std::unique_ptr<Ludrel::USBDeviceFinder> finder(new Ludrel::USBDeviceFinder(g_pCurrentLog));
  int nState = 0;
  const int nPorts = getNumberOfPorts();
  int result = 0;
  // A wider counter, so that a port count of INT_MAX ends the walk instead of overflowing.
  for (std::int64_t port = 1; port <= nPorts; ++port) {
    const int nPort = static_cast<int>(port);
    writeTrace(*g_pCurrentLog, "------------ Check OC State on Root Hub Port ", nPort);
    const int answer =
        finder->checkforOCState(m_PrideviceDescriptor, nPort, nState, m_deviceHandle);
    if (answer == kNoDeviceOnPort) {
      writeTrace(*g_pCurrentLog, "No device conncted to this port, continue");
    } else if (answer == kOverCurrent) {
      result = kOverCurrent;
      break;
    }
  }
  finder.reset();
  writeTrace(*g_pCurrentLog, "Result from isOCStateExist:", result);
  writeTrace(*g_pCurrentLog, "Leaving HalvexDevice::isOCStateExist");
  return result;
}

}  // namespace Halvex
}  // namespace KestraDiags
