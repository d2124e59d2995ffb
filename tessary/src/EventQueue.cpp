#include "tessary/EventQueue.h"

namespace KestraDiags {
namespace Diag {

EventQueue::EventQueue() = default;

EventQueue::~EventQueue() = default;

void EventQueue::post(const DiagnosticEvent& event) { m_events.push_back(event); }

const std::vector<DiagnosticEvent>& EventQueue::events() const { return m_events; }

std::size_t EventQueue::size() const { return m_events.size(); }

void EventQueue::clear() { m_events.clear(); }

}  // namespace Diag
}  // namespace KestraDiags
