// halvex-host against the tools an operator would run instead, as whole processes, on the same USB
// machine that umockdev emulates (the server of the Linux backend's tests): list against lsusb,
// ports and diagnose against uhubctl's per-port status of every hub. It runs under
// umockdev-wrapper, whose preloaded library shows the emulated machine to the programs started:
//   umockdev-wrapper build/default/bin/host_vs_lsusb
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/linux/UsbTestbed.h"

extern char** environ;

namespace {

// The emulated server, built once and kept while the benchmarks run.
void useEmulatedServer() { static UsbTestbed testbed("server"); }

double seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
}

// Runs the program to its end with its output thrown away; its exit status. Adds the processor
// time it took (user and system) to cpuSeconds: on a busy machine that is steadier than the clock.
int run(std::vector<std::string> argv, double& cpuSeconds) {
  std::vector<char*> arguments;
  for (std::string& argument : argv) arguments.push_back(argument.data());
  arguments.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, arguments[0], &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (error != 0 || ::wait4(pid, &status, 0, &usage) != pid) return -1;
  cpuSeconds += seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void runEachIteration(benchmark::State& state, const std::vector<std::string>& argv) {
  useEmulatedServer();
  double cpuSeconds = 0;
  for (auto _ : state) {
    if (run(argv, cpuSeconds) != 0) return state.SkipWithError((argv[0] + " failed").c_str());
  }
  state.counters["cpu_ms"] =
      benchmark::Counter(cpuSeconds * 1e3, benchmark::Counter::kAvgIterations);
}

void BM_HostList(benchmark::State& state) {
  runEachIteration(state, {HALVEX_HOST_PATH, "--no-log", "list"});
}
BENCHMARK(BM_HostList)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Lsusb(benchmark::State& state) { runEachIteration(state, {LSUSB_PATH}); }
BENCHMARK(BM_Lsusb)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_HostPorts(benchmark::State& state) {
  runEachIteration(state, {HALVEX_HOST_PATH, "--no-log", "ports"});
}
BENCHMARK(BM_HostPorts)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_HostDiagnose(benchmark::State& state) {
  runEachIteration(state, {HALVEX_HOST_PATH, "--no-log", "diagnose"});
}
BENCHMARK(BM_HostDiagnose)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Uhubctl(benchmark::State& state) { runEachIteration(state, {UHUBCTL_PATH}); }
BENCHMARK(BM_Uhubctl)->UseRealTime()->Unit(benchmark::kMillisecond);

// Starting and ending each program without looking at USB: what is not the listing itself.
void BM_HostStartOnly(benchmark::State& state) {
  runEachIteration(state, {HALVEX_HOST_PATH, "--version"});
}
BENCHMARK(BM_HostStartOnly)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LsusbStartOnly(benchmark::State& state) { runEachIteration(state, {LSUSB_PATH, "-V"}); }
BENCHMARK(BM_LsusbStartOnly)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_UhubctlStartOnly(benchmark::State& state) { runEachIteration(state, {UHUBCTL_PATH, "-v"}); }
BENCHMARK(BM_UhubctlStartOnly)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
