#include "ludrel/UsbEvents.h"

#include "BackendChoice.h"

namespace KestraDiags {
namespace Ludrel {

UsbEventSource::~UsbEventSource() = default;

Result<std::shared_ptr<UsbEventSource>> UsbEventSource::open() {
  return chooseBackend()->openEvents();
}

}  // namespace Ludrel
}  // namespace KestraDiags
