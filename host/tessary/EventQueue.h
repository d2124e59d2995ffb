#pragma once

#include <cstddef>
#include <vector>

#include "DiagnosticResult.h"
#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

// The events a diagnostic has reported, oldest first.
class TESSARY_API EventQueue {
 public:
  EventQueue();
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;
  ~EventQueue();

  void post(const DiagnosticEvent& event);
  const std::vector<DiagnosticEvent>& events() const;
  std::size_t size() const;
  void clear();

 private:
  std::vector<DiagnosticEvent> m_events;
};

}  // namespace Diag
}  // namespace KestraDiags
