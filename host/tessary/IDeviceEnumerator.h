#pragma once

#include <cstdint>
#include <vector>

#include "TessaryExport.h"
#include "VirtualDevice.h"

namespace KestraDiags {
namespace DeviceEnum {

class TESSARY_API IDeviceEnumerator {
 public:
  enum DiagnosticMode : std::int32_t {
    MODE_NORMAL = 0,
    MODE_PILOT = 1,
  };

  IDeviceEnumerator(bool logEnabled, DiagnosticMode mode)
      : m_logEnabled(logEnabled), m_diagnosticMode(mode) {}
  IDeviceEnumerator(const IDeviceEnumerator&) = delete;
  IDeviceEnumerator& operator=(const IDeviceEnumerator&) = delete;

  virtual ~IDeviceEnumerator();
  // The newest vector stays owned by the enumerator; the caller may delete earlier ones.
  virtual std::vector<VirtualDevice>* getDeviceVector(const char* hostText,
                                                      unsigned int hostValue) = 0;

  bool isLogEnabled() const { return m_logEnabled; }
  DiagnosticMode getDiagnosticMode() const { return m_diagnosticMode; }

 protected:
  bool m_logEnabled;
  DiagnosticMode m_diagnosticMode;
};

}  // namespace DeviceEnum
}  // namespace KestraDiags
