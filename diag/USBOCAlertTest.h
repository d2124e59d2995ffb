#pragma once

#include <fstream>

#include "tessary/IFunctionalTest.h"

namespace KestraDiags {
namespace Halvex {

// Asks an opened hub whether any of its ports is in over-current.
class USBOCAlertTest : public Diag::IFunctionalTest {
 public:
  USBOCAlertTest(std::ofstream& log, Diag::EventQueue& queue);
  ~USBOCAlertTest() override;

  // Always returns a new result, with both times set, that the caller owns.
  Diag::DiagnosticResult* run(const DeviceEnum::IDevice* device,
                              const Diag::DiagnosticSettings& settings) override;
  // Only hubs whose ports were read carry a descriptor.
  bool isDeviceSupported(const DeviceEnum::IDevice* device, int testIndex) override;
  // Recorded only: a running check is never interrupted.
  void abortTest() override;
  void suspendTest() override;
  void resumeTest() override;

 private:
  bool m_aborted;
  bool m_suspended;
};

}  // namespace Halvex
}  // namespace KestraDiags
