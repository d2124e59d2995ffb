#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "DiagnosticResult.h"
#include "DiagnosticSettings.h"
#include "DiagnosticStatus.h"
#include "EventQueue.h"
#include "IDevice.h"
#include "IDeviceEnumerator.h"
#include "IFunctionalTest.h"
#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

// A diagnostic: a catalogue of functional tests that the framework runs on a device.
class TESSARY_API IDiagnostics {
 public:
  IDiagnostics(const char* name, const char* version, const char* description, bool logEnabled,
               DeviceEnum::IDeviceEnumerator::DiagnosticMode mode);
  IDiagnostics(const IDiagnostics&) = delete;
  IDiagnostics& operator=(const IDiagnostics&) = delete;

  virtual ~IDiagnostics();
  // Runs every test of the catalogue that supports the device (the pilot run in pilot mode),
  // keeps the results and posts them as events. False when no test supports the device.
  virtual bool runDiagnostic(const DeviceEnum::IDevice* device, const DiagnosticSettings& settings);
  virtual bool isDeviceSupportedByTest(const DeviceEnum::IDevice* device, int testIndex);
  virtual const DiagnosticStatus& getDiagnosticStatus() const;
  virtual void abortDiagnostic();
  virtual void suspendDiagnostic();
  virtual void resumeDiagnostic();
  virtual const std::vector<DiagnosticEvent>& getDiagnosticEvents() const;
  // Every result kept so far, oldest first; they stay owned by the diagnostic.
  virtual std::vector<const DiagnosticResult*> getDiagnosticResults() const;
  virtual const char* getName() const;
  virtual const char* getVersion() const;
  virtual const char* getDescription() const;

  DeviceEnum::IDeviceEnumerator::DiagnosticMode getDiagnosticMode() const;

 protected:
  void setLogFile(std::ofstream* logFile);

  DiagnosticStatus m_status;
  std::vector<IFunctionalTest*> m_functionalTests;
  EventQueue m_eventQueue;
  bool m_logEnabled;

 private:
  std::string m_name;
  std::string m_version;
  std::string m_description;
  DeviceEnum::IDeviceEnumerator::DiagnosticMode m_diagnosticMode;
  std::ofstream* m_logFile;
  std::vector<std::unique_ptr<DiagnosticResult>> m_results;
};

}  // namespace Diag
}  // namespace KestraDiags
