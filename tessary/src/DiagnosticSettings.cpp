#include "tessary/DiagnosticSettings.h"

namespace KestraDiags {
namespace Diag {

DiagnosticSettings::DiagnosticSettings() : DiagnosticSettings(false) {}

DiagnosticSettings::DiagnosticSettings(bool quick) : m_quick(quick) {}

bool DiagnosticSettings::isQuick() const { return m_quick; }

}  // namespace Diag
}  // namespace KestraDiags
