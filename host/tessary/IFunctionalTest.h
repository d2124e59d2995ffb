#pragma once

#include <fstream>

#include "DiagnosticResult.h"
#include "DiagnosticSettings.h"
#include "DiagnosticStatus.h"
#include "EventQueue.h"
#include "IDevice.h"
#include "TessaryExport.h"

namespace KestraDiags {
namespace Diag {

// One test of a diagnostic's catalogue.
class TESSARY_API IFunctionalTest {
 public:
  IFunctionalTest(std::ofstream& logStream, EventQueue& eventQueue);
  IFunctionalTest(const IFunctionalTest&) = delete;
  IFunctionalTest& operator=(const IFunctionalTest&) = delete;

  virtual ~IFunctionalTest();
  // Returns a new result that the caller owns.
  virtual DiagnosticResult* run(const DeviceEnum::IDevice* device,
                                const DiagnosticSettings& settings) = 0;
  virtual bool isDeviceSupported(const DeviceEnum::IDevice* device, int testIndex) = 0;
  virtual const DiagnosticStatus& getStatus() const;
  virtual void abortTest() = 0;
  virtual void suspendTest() = 0;
  virtual void resumeTest() = 0;
  // A short run for pilot mode; by default the full run.
  virtual DiagnosticResult* runPilotTest(const DeviceEnum::IDevice* device,
                                         const DiagnosticSettings& settings);

 protected:
  DiagnosticStatus m_status;
  std::ofstream& m_logStream;
  EventQueue& m_eventQueue;
};

}  // namespace Diag
}  // namespace KestraDiags
