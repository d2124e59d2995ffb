#pragma once

#include <string>

#include "LudrelExport.h"

namespace KestraDiags {
namespace Ludrel {

// Facts about the library itself.
class LUDREL_API USBUtil {
 public:
  // The name of the backend that finders of this process use, such as "simulated" or "linux".
  static std::string backendName();
  // The name and message of the last failure of a finder of this process, empty when none.
  static std::string lastErrorName();
  static std::string lastErrorMessage();
  // Forgets the last failure, so that a caller can tell whether the next calls fail.
  static void clearLastError();

 private:
  [[maybe_unused]] int m_reserved = 0;
};

}  // namespace Ludrel
}  // namespace KestraDiags
