#pragma once

#include <ostream>
#include <string>

#include "Diagnosis.h"

namespace KestraDiags {
namespace HalvexHost {

// "no over-current", "OVER-CURRENT", "no verdict".
std::string verdictText(Verdict verdict);

// One line per hub under a header line, then a summary line.
void printDiagnosisText(const Diagnosis& diagnosis, std::ostream& out);

}  // namespace HalvexHost
}  // namespace KestraDiags
