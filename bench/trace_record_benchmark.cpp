// One trace record: dropped by the guard on a closed log, and written to a log that takes it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "CallCounters.h"
#include "log/trace_log.h"

namespace {

// What the records of the loop did besides taking time, taken before anything else is done.
struct Counts {
  std::size_t clockReads = CallCounters::clockReads();
  std::size_t allocations = CallCounters::allocations();

  Counts since(const Counts& start) const {
    return {clockReads - start.clockReads, allocations - start.allocations};
  }
  void report(benchmark::State& state) const {
    const auto records = static_cast<double>(state.iterations());
    state.counters["clock_reads"] = static_cast<double>(clockReads) / records;
    state.counters["allocations"] = static_cast<double>(allocations) / records;
  }
};

void BM_DroppedRecord(benchmark::State& state) {
  std::ofstream closedLog;
  const std::string value = "USB Input Device (HID & storage) <rev 2>";
  const Counts start;
  for (auto _ : state) {
    writeTrace(closedLog, "Device Description: ", value);
    benchmark::ClobberMemory();
  }
  const Counts used = Counts().since(start);
  used.report(state);
  if (used.clockReads != 0 || used.allocations != 0) {
    state.SkipWithError("a dropped record read the clock or allocated");
  }
}
BENCHMARK(BM_DroppedRecord);

void BM_WrittenRecord(benchmark::State& state) {
  std::ofstream log("/dev/null", std::ios::out | std::ios::app);
  const std::string value = "USB Input Device (HID & storage) <rev 2>";
  const Counts start;
  for (auto _ : state) writeTrace(log, "Device Description: ", value);
  Counts().since(start).report(state);
}
BENCHMARK(BM_WrittenRecord);

}  // namespace
