// The USB library's simulated backend on any topology file: it answers or refuses with one
// line, and a topology it takes can be walked and asked about every hub port without a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

namespace {

using KestraDiags::Ludrel::USBDeviceFinder;
using KestraDiags::Ludrel::USBUtil;

std::string g_dir;

bool isOneLineOfPlainText(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

bool isKnownError(const std::string& name) {
  for (const char* known :
       {"LUDREL_ERROR_IO", "LUDREL_ERROR_TOO_BIG", "LUDREL_ERROR_PARSE", "LUDREL_ERROR_FORMAT"}) {
    if (name == known) return true;
  }
  return false;
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

void walk(USBDeviceFinder& finder) {
  Usb_Device* record = nullptr;
  for (;;) {
    bool more = false;
    allowingTopologyFaults([&] { more = finder.Next(&record); });
    if (!more) break;
    const std::string hub = record->sDevDescriptor;
    const int ports = record->nNumofPorts < 16 ? record->nNumofPorts : 16;
    delete record;
    for (int port = 0; port <= ports; ++port) {
      std::string key;
      int state = 0;
      allowingTopologyFaults([&] { finder.isPortBusy(hub, port, key, nullptr); });
      allowingTopologyFaults([&] { finder.checkforOCState(hub, port, state, nullptr); });
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/halvex-topology-fuzz-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) std::abort();
  g_dir = pattern;
  std::atexit([] { std::filesystem::remove_all(g_dir); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A new name for every input: the library knows a file again by its path, size and time.
  static unsigned long count = 0;
  const std::string path = g_dir + "/topology-" + std::to_string(++count) + ".json";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
  ::setenv("LUDREL_TOPOLOGY", path.c_str(), 1);
  {
    USBDeviceFinder finder(nullptr);
    if (finder.getAllUSBDevices()) {
      walk(finder);
    } else if (!isKnownError(USBUtil::lastErrorName()) ||
               !isOneLineOfPlainText(USBUtil::lastErrorMessage())) {
      std::abort();
    }
  }
  std::filesystem::remove(path);
  return 0;
}
