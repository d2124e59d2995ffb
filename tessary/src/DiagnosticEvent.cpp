#include "tessary/DiagnosticResult.h"

namespace KestraDiags {
namespace Diag {

IEvent::~IEvent() = default;

DiagnosticEvent::DiagnosticEvent(unsigned int messageCode, EventType type)
    : m_messageCode(messageCode), m_eventType(type) {}

DiagnosticEvent::~DiagnosticEvent() = default;

}  // namespace Diag
}  // namespace KestraDiags
