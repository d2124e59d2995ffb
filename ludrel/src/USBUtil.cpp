#include "ludrel/USBUtil.h"

#include "BackendChoice.h"
#include "LastFailure.h"

namespace KestraDiags {
namespace Ludrel {

std::string USBUtil::backendName() { return chooseBackend()->name(); }

std::string USBUtil::lastErrorName() {
  const std::optional<Failure> failure = lastFailure();
  return failure ? failure->name : std::string();
}

std::string USBUtil::lastErrorMessage() {
  const std::optional<Failure> failure = lastFailure();
  return failure ? failure->message : std::string();
}

void USBUtil::clearLastError() { clearLastFailure(); }

}  // namespace Ludrel
}  // namespace KestraDiags
