#include "tessary/IFunctionalTest.h"

namespace KestraDiags {
namespace Diag {

IFunctionalTest::IFunctionalTest(std::ofstream& logStream, EventQueue& eventQueue)
    : m_logStream(logStream), m_eventQueue(eventQueue) {}

IFunctionalTest::~IFunctionalTest() = default;

const DiagnosticStatus& IFunctionalTest::getStatus() const { return m_status; }

DiagnosticResult* IFunctionalTest::runPilotTest(const DeviceEnum::IDevice* device,
                                                const DiagnosticSettings& settings) {
  return run(device, settings);
}

}  // namespace Diag
}  // namespace KestraDiags
