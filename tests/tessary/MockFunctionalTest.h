#pragma once

#include <gmock/gmock.h>

#include <fstream>

#include "tessary/IDiagnostics.h"

namespace KestraDiags {
namespace TessaryTests {

using DeviceEnum::IDevice;
using Diag::DiagnosticResult;
using Diag::DiagnosticSettings;

// A functional test whose calls the tests expect; its pilot run is the base's unless told.
class MockFunctionalTest : public Diag::IFunctionalTest {
 public:
  MockFunctionalTest(std::ofstream& log, Diag::EventQueue& queue) : IFunctionalTest(log, queue) {
    ON_CALL(*this, runPilotTest)
        .WillByDefault([this](const IDevice* device, const DiagnosticSettings& settings) {
          return IFunctionalTest::runPilotTest(device, settings);
        });
  }
  MOCK_METHOD(DiagnosticResult*, run, (const IDevice*, const DiagnosticSettings&), (override));
  MOCK_METHOD(bool, isDeviceSupported, (const IDevice*, int), (override));
  MOCK_METHOD(void, abortTest, (), (override));
  MOCK_METHOD(void, suspendTest, (), (override));
  MOCK_METHOD(void, resumeTest, (), (override));
  MOCK_METHOD(DiagnosticResult*, runPilotTest, (const IDevice*, const DiagnosticSettings&),
              (override));
};
using StrictTest = ::testing::StrictMock<MockFunctionalTest>;

// A diagnostic whose catalogue the test fills; like a real one it deletes its tests.
class MockedDiagnostics : public Diag::IDiagnostics {
 public:
  explicit MockedDiagnostics(DeviceEnum::IDeviceEnumerator::DiagnosticMode mode =
                                 DeviceEnum::IDeviceEnumerator::MODE_NORMAL)
      : IDiagnostics("Mocked", "0.1", "Mocked diagnostics", false, mode) {}
  ~MockedDiagnostics() override {
    for (Diag::IFunctionalTest* test : m_functionalTests) delete test;
  }

  StrictTest& addTest() {
    auto* test = new StrictTest(m_testLog, m_eventQueue);
    m_functionalTests.push_back(test);
    return *test;
  }
  void addEmptySlot() { m_functionalTests.push_back(nullptr); }

 private:
  std::ofstream m_testLog;
};

}  // namespace TessaryTests
}  // namespace KestraDiags
