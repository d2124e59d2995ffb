#include "tessary/IDeviceEnumerator.h"

namespace KestraDiags {
namespace DeviceEnum {

// Defined here so that the class's vtable and type information live in the library.
IDeviceEnumerator::~IDeviceEnumerator() = default;

}  // namespace DeviceEnum
}  // namespace KestraDiags
