#include "diag/USBOCAlertTest.h"

#include <memory>
#include <string>

#include "device/HalvexDevice.h"
#include "diag/MsgCodes.h"
#include "log/trace_log.h"
#include "tessary/DateTime.h"

namespace KestraDiags {
namespace Halvex {

namespace {

constexpr int kNoOverCurrent = 0;
constexpr int kOverCurrent = 2;

}  // namespace

USBOCAlertTest::USBOCAlertTest(std::ofstream& log, Diag::EventQueue& queue)
    : IFunctionalTest(log, queue), m_aborted(false), m_suspended(false) {}

USBOCAlertTest::~USBOCAlertTest() = default;

Diag::DiagnosticResult* USBOCAlertTest::run(const DeviceEnum::IDevice* device,
                                            const Diag::DiagnosticSettings& /*settings*/) {
  writeTrace(m_logStream, "Entering USBOCAlertTest::run");
  Diag::DiagnosticResult::TestResult testResult = Diag::DiagnosticResult::TEST_PASSED;
  unsigned int messageCode = 0;
  Diag::DiagnosticEvent::EventType eventType = Diag::DiagnosticEvent::EVENT_WARNING;
  std::string startTime;
  std::string completionTime;
  const System::DateTime clock;
  try {
    startTime = clock.getDateTime();
    m_status.setStatus(Diag::DiagnosticStatus::STATUS_RUNNING);
    m_status.setProgress(0);
    if (device == nullptr) {
      writeTrace(m_logStream, "Invalid parameters");
      throw MSG_INVALID_PARAMETERS;
    }
    if (m_logStream.is_open()) m_logStream << "Halvex::USBOCAlertTest::run()" << std::endl;
    // The host hands back the devices the enumerator made.
    HalvexDevice* hub = const_cast<HalvexDevice*>(static_cast<const HalvexDevice*>(device));
    if (!hub->isOpen()) throw MSG_DEVICE_NOT_OPEN;
    std::string detailText;
    const int state = hub->isOCStateExist(detailText);
    writeTrace(m_logStream, "Result returned by pHalvexDev->isOCStateExist:", state);
    if (state == kNoOverCurrent) {
      writeTrace(m_logStream, "No over current condition");
      messageCode = MSG_NO_OVER_CURRENT;
      testResult = Diag::DiagnosticResult::TEST_PASSED;
      eventType = Diag::DiagnosticEvent::EVENT_INFORMATION;
    } else if (state == kOverCurrent) {
      writeTrace(m_logStream, "Over current condition exists");
      messageCode = MSG_OVER_CURRENT_EXISTS;
      testResult = Diag::DiagnosticResult::TEST_FAILED;
      eventType = Diag::DiagnosticEvent::EVENT_ERROR;
    }
  } catch (...) {
    // Every run yields a result: what was set before the failure stands.
  }
  // Owned here until it is handed over: a failure to complete it passes on without leaking it.
  std::unique_ptr<Diag::DiagnosticResult> result(
      new Diag::DiagnosticResult(testResult, messageCode, eventType));
  m_status.setStatus(Diag::DiagnosticStatus::STATUS_COMPLETED);
  m_status.setProgress(100);
  completionTime = clock.getDateTime();
  result->setTestStartTime(startTime);
  result->setTestCompletionTime(completionTime);
  writeTrace(m_logStream, "Leaving USBOCAlertTest::run");
  return result.release();
}

bool USBOCAlertTest::isDeviceSupported(const DeviceEnum::IDevice* device, int /*testIndex*/) {
  if (device == nullptr) return false;
  if (!device->getDeviceDescriptor().empty()) {
    writeTrace(m_logStream, "Enabling test for ", device->getDeviceName());
    return true;
  }
  writeTrace(m_logStream, "Disabling test for ", device->getDeviceName());
  return false;
}

void USBOCAlertTest::abortTest() { m_aborted = true; }

void USBOCAlertTest::suspendTest() { m_suspended = true; }

void USBOCAlertTest::resumeTest() {
  if (m_suspended) m_suspended = false;
}

}  // namespace Halvex
}  // namespace KestraDiags
