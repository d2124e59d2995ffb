// The USB library's simulated backend on any topology file: it answers or refuses with one
// line, and a topology it takes can be walked, asked about every hub port and its events replayed
// without a crash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../support/Environment.h"
#include "../support/TempDir.h"
#include "ludrel/HubStatus.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"
#include "ludrel/UsbEvents.h"

namespace {

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

const TempDir g_dir;

// A refusal names one of the simulation's errors and tells why in one line of plain text.
bool isPlainRefusal() {
  const std::string name = USBUtil::lastErrorName();
  const std::string message = USBUtil::lastErrorMessage();
  return (name == "LUDREL_ERROR_IO" || name == "LUDREL_ERROR_TOO_BIG" ||
          name == "LUDREL_ERROR_PARSE" || name == "LUDREL_ERROR_FORMAT") &&
         !message.empty() &&
         std::all_of(message.begin(), message.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// The faults a topology may ask for are thrown as these types; nothing else may come out.
template <typename Call>
void allowingTopologyFaults(Call call) {
  try {
    call();
  } catch (const std::string&) {
  } catch (unsigned long) {
  } catch (int) {
  }
}

// Every record, past those whose Next throws, and every port of each up to the 16th, as the
// module and the status reader ask.
void walk(USBDeviceFinder& finder) {
  KestraDiags::Ludrel::HubStatusReader reader;
  for (bool more = true; more;) {
    Usb_Device* record = nullptr;
    allowingTopologyFaults([&] { more = finder.Next(&record); });
    if (record == nullptr) continue;
    const std::string hub = record->sDevDescriptor;
    const int ports = record->nNumofPorts < 16 ? record->nNumofPorts : 16;
    delete record;
    reader.hubStatus(hub);
    for (int port = 0; port <= ports; ++port) {
      reader.portStatus(hub, port);
      std::string key;
      int state = 0;
      allowingTopologyFaults([&] { finder.isPortBusy(hub, port, key, nullptr); });
      allowingTopologyFaults([&] { finder.checkforOCState(hub, port, state, nullptr); });
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A new name for every input: the library knows a file again by its path, size and time.
  static unsigned long count = 0;
  const std::string path = g_dir.file("topology-" + std::to_string(++count) + ".json");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
  setEnvironment("LUDREL_TOPOLOGY", path);
  {
    USBDeviceFinder finder(nullptr);
    if (finder.getAllUSBDevices()) {
      walk(finder);
      const auto events = KestraDiags::Ludrel::UsbEventSource::open();
      if (!events.ok()) std::abort();
      events.value()->take();
    } else if (!isPlainRefusal()) {
      std::abort();
    }
  }
  std::filesystem::remove(path);
  return 0;
}
