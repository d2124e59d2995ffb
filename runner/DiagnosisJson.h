#pragma once

#include <nlohmann/json.hpp>

#include "Diagnosis.h"

namespace KestraDiags {
namespace HalvexHost {

// The report for machines: the diagnostic, every hub with its result, the summary, the exit
// status and, when the run failed, the error.
nlohmann::ordered_json diagnosisJson(const Diagnosis& diagnosis);

}  // namespace HalvexHost
}  // namespace KestraDiags
