#pragma once

#include <string>

#include "TessaryExport.h"

namespace KestraDiags {
namespace System {

// The time stamps that results carry.
class TESSARY_API DateTime {
 public:
  // The current local time in ISO 8601 with its UTC offset, for example 2026-12-06T07:05:09+01:00.
  std::string getDateTime() const;
};

}  // namespace System
}  // namespace KestraDiags
