#include "unsupported/UnsupportedBackend.h"

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

std::string UnsupportedBackend::name() const { return "none"; }

Result<DeviceList> UnsupportedBackend::collectDevices() {
  return makeFailure(ErrorName::kNotSupported,
                     "this system has no USB backend yet: set LUDREL_TOPOLOGY to a topology file "
                     "(or use --topology FILE) to simulate one");
}

void UnsupportedBackend::completeRecord(std::size_t, Usb_Device&) {}

Result<bool> UnsupportedBackend::portKey(const std::string&, int, std::string&) { return false; }

Result<int> UnsupportedBackend::overCurrentState(const std::string&, int, void*) { return -1; }

}  // namespace Ludrel
}  // namespace KestraDiags
