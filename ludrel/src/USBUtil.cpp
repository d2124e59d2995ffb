// USBUtil keeps a reserved member for its layout; this file defines every member function of
// the class, so clang sees that the member is never read and would warn.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wunused-private-field"
#endif
#include "ludrel/USBUtil.h"
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

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

}  // namespace Ludrel
}  // namespace KestraDiags
