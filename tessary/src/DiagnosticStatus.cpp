#include "tessary/DiagnosticStatus.h"

namespace KestraDiags {
namespace Diag {

DiagnosticStatus::DiagnosticStatus() : m_status(STATUS_NOT_STARTED), m_progress(0) {}

void DiagnosticStatus::setStatus(Status status) { m_status = status; }

void DiagnosticStatus::setProgress(unsigned int progress) { m_progress = progress; }

DiagnosticStatus::Status DiagnosticStatus::getStatus() const { return m_status; }

unsigned int DiagnosticStatus::getProgress() const { return m_progress; }

}  // namespace Diag
}  // namespace KestraDiags
