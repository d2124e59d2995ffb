#pragma once

#include <cstdint>

#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

// The state of a diagnostic or of one functional test, with its progress in percent.
class TESSARY_API DiagnosticStatus {
 public:
  enum Status : std::int32_t {
    STATUS_NOT_STARTED = 0,
    STATUS_COMPLETED = 1,
    STATUS_RUNNING = 2,
  };

  DiagnosticStatus();

  void setStatus(Status status);
  void setProgress(unsigned int progress);
  Status getStatus() const;
  unsigned int getProgress() const;

 private:
  Status m_status;
  unsigned int m_progress;
};

}  // namespace Diag
}  // namespace KestraDiags
