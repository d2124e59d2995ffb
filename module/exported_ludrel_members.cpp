// halvex.dll exports, besides its three entry points, the implicitly defined copy constructor
// and copy assignment of the USB library's USBDeviceFinder and USBUtil: hosts that import from
// the module by name find them there (halvex.def lists the table). The module itself never
// copies either class, so the compiler would emit none of them. What follows makes it emit them
// without anything calling them: a function that copy-constructs a finder, which nothing calls
// (this file is built without inlining, so that the constructor stays a function of its own),
// and the addresses of the two copy assignments. A trivial copy constructor is never emitted;
// halvex.def names USBUtil's after its copy assignment.
#include <new>

#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

namespace KestraDiags {
namespace Halvex {
namespace ExportedLudrelMembers {

using Ludrel::USBDeviceFinder;
using Ludrel::USBUtil;

void copyConstructFinder(void* storage, const USBDeviceFinder& from) {
  new (storage) USBDeviceFinder(from);
}

USBDeviceFinder& (USBDeviceFinder::*finderCopyAssignment)(const USBDeviceFinder&) =
    &USBDeviceFinder::operator=;
USBUtil& (USBUtil::*utilCopyAssignment)(const USBUtil&) = &USBUtil::operator=;

}  // namespace ExportedLudrelMembers
}  // namespace Halvex
}  // namespace KestraDiags
