#pragma once

#include <string>

#include "Diagnosis.h"

namespace KestraDiags {
namespace HalvexHost {

// The run in the text format that node_exporter's textfile collector reads.
std::string prometheusMetrics(const Diagnosis& diagnosis);

}  // namespace HalvexHost
}  // namespace KestraDiags
