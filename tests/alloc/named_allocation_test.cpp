// The allocations whose failure once reached the host, each made to fail by name.
#include <cstdio>
#include <functional>
#include <memory>

#include "../support/TraceLog.h"
#include "HostSimulation.h"
#include "tessary/IDiagnostics.h"

namespace {

using KestraDiags::DeviceEnum::IDevice;
using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Diag::DiagnosticEvent;
using KestraDiags::Diag::DiagnosticResult;
using KestraDiags::Diag::DiagnosticSettings;
using KestraDiags::Diag::IDiagnostics;
using Texts = std::vector<std::string>;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

class NamedAllocationTest : public HostSimulation {
 protected:
  void SetUp() override {
    useTopology("rack-server.json");
    m_module.setPackageConfigFile(m_configFile.c_str());
  }
};

// Failing every allocation of a factory in turn: an object that could not open its log (for the
// path, the stream's buffer or the banner) must not leave the file open with no user to close it.
TEST_F(NamedAllocationTest, AFactoryThatRunsOutOfMemoryLeavesNoLogOpen) {
  struct Factory {
    const char* name;
    std::function<void()> makeAndDelete;
    std::string log;
  };
  const Factory factories[] = {
      {"enumerator", [this] { delete m_module.getIDeviceEnumerator(true, kNormal); },
       enumeratorLogPath()},
      {"diagnostic", [this] { delete m_module.getIDiagnostics(true, kNormal); },
       diagnosticLogPath()},
  };
  for (const Factory& factory : factories) {
    SCOPED_TRACE(factory.name);
    const std::size_t descriptors = openDescriptorCount();
    FailingAllocator::arm({});
    factory.makeAndDelete();
    const std::size_t allocations = FailingAllocator::disarm();
    for (std::size_t k = 1; k <= allocations; ++k) {
      FailingAllocator::arm({k});
      EXPECT_FALSE(throwsOutOf(factory.makeAndDelete)) << "allocation " << k;
      FailingAllocator::disarm();
      EXPECT_EQ(openDescriptorCount(), descriptors) << "allocation " << k;
    }
    // The log still opens, and closes, for the next object.
    std::remove(factory.log.c_str());
    factory.makeAndDelete();
    EXPECT_EQ(bannerCount(readFile(factory.log)), 1u);
    EXPECT_EQ(openDescriptorCount(), descriptors);
  }
}

// A trace record once built its stamp on the heap, outside every handler, so that running out of
// memory there threw out of getDeviceVector. Records now allocate nothing: an enumeration with
// its log open allocates exactly as often as one with logging off.
TEST_F(NamedAllocationTest, TraceRecordsAllocateNothing) {
  const auto allocationsOfAnEnumeration = [this](bool logEnabled) {
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        m_module.getIDeviceEnumerator(logEnabled, kNormal));
    // The first vector is the host's to delete once a newer one exists.
    const std::unique_ptr<std::vector<VirtualDevice>> first(enumerator->getDeviceVector("h", 7));
    FailingAllocator::arm({});
    enumerator->getDeviceVector("host", 7);
    return FailingAllocator::disarm();
  };
  const std::size_t withoutLog = allocationsOfAnEnumeration(false);
  EXPECT_EQ(allocationsOfAnEnumeration(true), withoutLog);
  EXPECT_GT(traceTexts(readFile(enumeratorLogPath())).size(), 100u);
}

// Catching the text that the library throws once copied it into the handler: running out of
// memory for that copy ends the process. The handler takes it by reference, and nothing from the
// throw to the return allocates, so the allocation planned right after the thrown text is never
// reached.
TEST_F(NamedAllocationTest, ATextThrownByTheLibraryIsCaughtWithoutACopy) {
  useTopology("faults/next-throws-string.json");
  const std::unique_ptr<IDeviceEnumerator> enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  // The first vector is the host's to delete once a newer one exists; this call also loads the
  // topology.
  const std::unique_ptr<std::vector<VirtualDevice>> first(enumerator->getDeviceVector("h", 7));
  const std::size_t thrownTextBlock = std::string("device removed during enumeration").size() + 1;
  std::vector<VirtualDevice>* devices = nullptr;
  FailingAllocator::arm({1, thrownTextBlock});
  const bool threw = throwsOutOf([&] { devices = enumerator->getDeviceVector("host", 7); });
  FailingAllocator::disarm();
  EXPECT_FALSE(threw);
  EXPECT_FALSE(FailingAllocator::failed());
  ASSERT_NE(devices, nullptr);
  EXPECT_EQ(devices->size(), 2u);  // the root hub and the keyboard before the flash drive
  const std::vector<std::string> records = traceTexts(readFile(enumeratorLogPath()));
  EXPECT_EQ(records.at(records.size() - 2),
            "Enum Failed :Message= device removed during enumeration");
}

// open copies nothing: with logging off it allocates nothing, so it cannot throw; with logging on
// only its records can fail, and they are dropped.
TEST_F(NamedAllocationTest, OpenAnswersWithACodeWhateverAllocationFails) {
  const std::unique_ptr<IDeviceEnumerator> enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  IDevice* hub = enumerator->getDeviceVector("host", 7)->at(0).getDevice();
  ASSERT_FALSE(hub->getDeviceDescriptor().empty());
  FailingAllocator::arm({});
  hub->open(0);
  const std::size_t allocations = FailingAllocator::disarm();
  hub->close();
  for (std::size_t k = 1; k <= allocations; ++k) {
    unsigned int result = 1;
    FailingAllocator::arm({k});
    EXPECT_FALSE(throwsOutOf([&] { result = hub->open(0); })) << "allocation " << k;
    FailingAllocator::disarm();
    EXPECT_EQ(result, 0u) << "allocation " << k;
    hub->close();
  }
}

// The allocation right after the result object is its completion time: the failure passes on to
// the framework, and the result must not be lost on the way.
TEST_F(NamedAllocationTest, AResultThatCannotBeCompletedIsNotLeaked) {
  const std::unique_ptr<IDeviceEnumerator> enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  IDevice* hub = enumerator->getDeviceVector("host", 7)->at(0).getDevice();
  ASSERT_EQ(hub->open(0), 0u);
  const std::unique_ptr<IDiagnostics> diagnostic(m_module.getIDiagnostics(true, kNormal));
  const DiagnosticSettings settings;
  diagnostic->runDiagnostic(hub, settings);  // the framework's lasting parts
  const long liveBefore = FailingAllocator::liveBlocks();
  {
    const FailingAllocator::Armed armed({1, sizeof(DiagnosticResult)});
    EXPECT_FALSE(throwsOutOf([&] { diagnostic->runDiagnostic(hub, settings); }));
    EXPECT_TRUE(FailingAllocator::failed());
  }
  // The framework keeps no result for the run and posts a warning in its place; the event list
  // stays one block, so nothing else may be left.
  EXPECT_EQ(FailingAllocator::liveBlocks(), liveBefore);
  EXPECT_EQ(diagnostic->getDiagnosticResults().size(), 1u);
  EXPECT_EQ(diagnostic->getDiagnosticEvents().back().getEventType(),
            DiagnosticEvent::EVENT_WARNING);
  hub->close();
}

}  // namespace
