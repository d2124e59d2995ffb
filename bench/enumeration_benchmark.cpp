// Enumeration as the host runs it, on machines of 10 to 10,000 simulated devices served from
// memory: with logging off, and with logging on against writing the same log bytes with the same
// write calls and nothing else.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/ModuleUnderTest.h"
#include "../tests/support/TempDir.h"
#include "CallCounters.h"
#include "SimulatedMachine.h"
#include "ludrel/USBDeviceFinder.h"

namespace {

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Ludrel::USBDeviceFinder;
using Clock = std::chrono::steady_clock;

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

// The module, the machine's topology and a package folder whose log folder exists. One whole
// enumeration before any is timed, so that the USB library has parsed the topology file: a timed
// first iteration would otherwise carry the parse, as much as a hundred enumerations of the
// largest machine.
struct Host {
  explicit Host(int devices) {
    useSimulatedMachine(dir.path(), devices);
    module.setPackageConfigFile((dir.makeDir("package/config") + "/halvex.xml").c_str());
    dir.makeDir("package/log");
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        module.getIDeviceEnumerator(false, kNormal));
    enumerator->getDeviceVector("host", 0);
  }
  std::string logPath() const { return dir.file("package/log/HalvexDeviceEnumerator.log"); }

  TempDir dir;
  ModuleUnderTest module;
};

void perDevice(benchmark::State& state, int devices) {
  state.counters["per_device"] = benchmark::Counter(
      devices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A whole enumeration with logging off: the factory, getDeviceVector, and deleting the
// enumerator with its devices.
void BM_Enumerate(benchmark::State& state) {
  const int devices = static_cast<int>(state.range(0));
  Host host(devices);
  std::size_t shown = 0;
  std::size_t allocations = 0;
  for (auto _ : state) {
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        host.module.getIDeviceEnumerator(false, kNormal));
    const std::size_t before = CallCounters::allocations();
    shown = enumerator->getDeviceVector("host", 0)->size();
    allocations += CallCounters::allocations() - before;
    benchmark::DoNotOptimize(shown);
  }
  if (shown != static_cast<std::size_t>(devices) * 8 / 10) state.SkipWithError("devices lost");
  perDevice(state, devices);
  // Heap allocations of getDeviceVector alone, per record the USB library hands out.
  state.counters["allocs_per_record"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations() * devices);
}
BENCHMARK(BM_Enumerate)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The USB library's share of BM_Enumerate: the same calls with nothing of the module around
// them (the finder, every record handed out and freed, every port of every working hub asked).
void BM_LibraryAlone(benchmark::State& state) {
  const int devices = static_cast<int>(state.range(0));
  Host host(devices);
  for (auto _ : state) {
    const std::unique_ptr<USBDeviceFinder> finder(new USBDeviceFinder(nullptr));
    if (!finder->getAllUSBDevices()) return state.SkipWithError("no devices");
    Usb_Device* record = nullptr;
    std::string key;
    void* const noHandle = nullptr;
    while (finder->Next(&record)) {
      const std::unique_ptr<Usb_Device> owned(record);
      if (owned->nDevType == 1 || owned->nDevType == 2) {
        for (int port = 1; port <= owned->nNumofPorts; ++port) {
          benchmark::DoNotOptimize(finder->isPortBusy(owned->sDevDescriptor, port, key, noHandle));
        }
      }
    }
  }
  perDevice(state, devices);
}
BENCHMARK(BM_LibraryAlone)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Writes the recorded calls again, each with one write call, to a file opened for appending as
// the log is.
class SameWrites {
 public:
  SameWrites(const std::string& path, std::vector<std::string> calls)
      : m_fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)),
        m_calls(std::move(calls)) {}
  ~SameWrites() { ::close(m_fd); }
  void run() const {
    for (const std::string& bytes : m_calls) {
      if (::write(m_fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::abort();
      }
    }
  }
  void truncate() const { benchmark::DoNotOptimize(::ftruncate(m_fd, 0)); }
  std::size_t calls() const { return m_calls.size(); }

 private:
  int m_fd;
  std::vector<std::string> m_calls;
};

int openLogDescriptor(const std::string& path) {
  // The module's stream holds the log open; its descriptor is the one whose path is the log.
  for (int fd = 3; fd < 1024; ++fd) {
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, target, sizeof target);
    if (length > 0 && std::string(target, length) == path) return fd;
  }
  return -1;
}

// getDeviceVector with logging on, each call timed against the same writes with nothing else,
// in the same iteration. "ratio" is the first's time over the second's.
void BM_EnumerateLogged(benchmark::State& state) {
  const int devices = static_cast<int>(state.range(0));
  Host host(devices);
  const std::unique_ptr<IDeviceEnumerator> enumerator(
      host.module.getIDeviceEnumerator(true, kNormal));
  std::unique_ptr<std::vector<VirtualDevice>> previous(enumerator->getDeviceVector("host", 0));
  const int logFd = openLogDescriptor(host.logPath());
  if (logFd < 0) return state.SkipWithError("the log is not open");
  CallCounters::startRecording(logFd);
  std::vector<VirtualDevice>* latest = enumerator->getDeviceVector("host", 0);
  const SameWrites baseline(host.dir.file("baseline.log"), CallCounters::stopRecording());
  Clock::duration enumerating{};
  Clock::duration writing{};
  for (auto _ : state) {
    previous.reset(latest);  // the host's part: it may delete earlier vectors
    const Clock::time_point start = Clock::now();
    latest = enumerator->getDeviceVector("host", 0);
    const Clock::time_point enumerated = Clock::now();
    baseline.run();
    const Clock::time_point written = Clock::now();
    enumerating += enumerated - start;
    writing += written - enumerated;
    state.SetIterationTime(std::chrono::duration<double>(enumerated - start).count());
    // Both files start empty again, so that neither grows without end.
    benchmark::DoNotOptimize(::ftruncate(logFd, 0));
    baseline.truncate();
  }
  perDevice(state, devices);
  state.counters["writes"] = static_cast<double>(baseline.calls());
  state.counters["baseline_per_device"] =
      benchmark::Counter(devices * static_cast<double>(state.iterations()) /
                             std::chrono::duration<double>(writing).count(),
                         benchmark::Counter::kInvert);
  state.counters["ratio"] = std::chrono::duration<double>(enumerating).count() /
                            std::chrono::duration<double>(writing).count();
}
BENCHMARK(BM_EnumerateLogged)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
