#include "Backend.h"

#include "Failure.h"

namespace KestraDiags {
namespace Ludrel {

Backend::~Backend() = default;

Result<PortStatus> Backend::portStatus(const std::string&, int) {
  return makeFailure(ErrorName::kNotSupported, name() + " backend cannot read a port's status");
}

Result<HubStatus> Backend::hubStatus(const std::string&) {
  return makeFailure(ErrorName::kNotSupported, name() + " backend cannot read a hub's status");
}

Result<std::shared_ptr<UsbEventSource>> Backend::openEvents() {
  return makeFailure(ErrorName::kNotSupported,
                     name() +
                         " backend has no source of USB events yet; a topology's \"events\" "
                         "list can simulate them");
}

}  // namespace Ludrel
}  // namespace KestraDiags
