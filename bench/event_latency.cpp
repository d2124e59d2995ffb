// How long an operator waits for an over-current the kernel reports: the time from a hub's
// over-current uevent to halvex-host's report line and to its rewritten metrics file, for a
// `diagnose --watch 3600` running on the USB machine that umockdev emulates. It runs under
// umockdev-wrapper, whose preloaded library carries the uevents to the host's udev monitor:
//   umockdev-wrapper build/default/bin/event_latency --benchmark_filter=/100
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/linux/UsbTestbed.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kHubPorts = "/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/1-1-port";
constexpr int kWaitMilliseconds = 10000;  // guards against an answer that never comes

// halvex-host watching the emulated server, its standard output read line by line.
class WatchingHost {
 public:
  explicit WatchingHost(const std::string& metricsFile) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argv = {HALVEX_HOST_PATH, "--no-log",     "diagnose", "--watch",
                                     "3600",           "--prometheus", metricsFile};
    std::vector<char*> arguments;
    for (std::string& argument : argv) arguments.push_back(argument.data());
    arguments.push_back(nullptr);
    if (::posix_spawn(&m_pid, arguments[0], &actions, nullptr, arguments.data(), environ) != 0) {
      m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    m_output = pipeEnds[0];
  }
  WatchingHost(const WatchingHost&) = delete;
  WatchingHost& operator=(const WatchingHost&) = delete;

  // Stops the host as its service manager would; its exit status.
  int stop() {
    if (m_pid <= 0) return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    ::close(m_output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ~WatchingHost() { stop(); }

  int output() const { return m_output; }

  // Takes what the host wrote; true when a line of it holds `text`.
  bool readLineHolding(const std::string& text) {
    char chunk[4096];
    const ssize_t got = ::read(m_output, chunk, sizeof chunk);
    if (got <= 0) return false;
    m_buffer.append(chunk, static_cast<std::size_t>(got));
    bool found = false;
    for (std::size_t end; (end = m_buffer.find('\n')) != std::string::npos;) {
      found = found || m_buffer.substr(0, end).find(text) != std::string::npos;
      m_buffer.erase(0, end + 1);
    }
    return found;
  }

 private:
  pid_t m_pid = -1;
  int m_output = -1;
  std::string m_buffer;
};

// When the host printed its report line for an event and when it put a new metrics file in
// place (it writes a temporary file and renames it); unset for what did not come.
struct Answers {
  std::optional<Clock::time_point> line;
  std::optional<Clock::time_point> metrics;
};

Answers waitForAnswers(WatchingHost& host, int inotify, bool wantLine) {
  Answers answers;
  while ((wantLine && !answers.line) || !answers.metrics) {
    pollfd ready[] = {{host.output(), POLLIN, 0}, {inotify, POLLIN, 0}};
    if (::poll(ready, 2, kWaitMilliseconds) <= 0) break;
    const Clock::time_point now = Clock::now();
    if ((ready[0].revents & (POLLIN | POLLHUP)) != 0) {
      if (host.readLineHolding("over-current event") && !answers.line) answers.line = now;
      if ((ready[0].revents & POLLIN) == 0) break;  // the host is gone
    }
    if ((ready[1].revents & POLLIN) != 0) {
      alignas(inotify_event) char events[4096];
      if (::read(inotify, events, sizeof events) > 0 && !answers.metrics) answers.metrics = now;
    }
  }
  return answers;
}

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

void addMedianAndWorst(benchmark::State& state, const std::string& name,
                       std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  state.counters[name + "_median_ms"] = samples[samples.size() / 2];
  state.counters[name + "_worst_ms"] = samples.back();
}

// Argument: the number of over-current events, one at a time, each answered before the next.
void BM_OverCurrentEventLatency(benchmark::State& state) {
  UsbTestbed testbed("server");
  TempDir directory;
  const std::string metricsFile = directory.path() + "/halvex.prom";
  const int inotify = ::inotify_init1(IN_CLOEXEC);
  ::inotify_add_watch(inotify, directory.path().c_str(), IN_MOVED_TO);
  WatchingHost host(metricsFile);
  // The first round, over every hub, ends with the metrics file in place.
  if (!waitForAnswers(host, inotify, false).metrics) {
    return state.SkipWithError("the first round wrote no metrics file");
  }
  std::vector<double> toLine;
  std::vector<double> toMetrics;
  for (auto _ : state) {
    for (int event = 1; event <= state.range(0); ++event) {
      const Clock::time_point sent = Clock::now();
      testbed.uevent("change 1-1 1-1:1.0 OVER_CURRENT_PORT=" + std::string(kHubPorts) +
                     "1 OVER_CURRENT_COUNT=" + std::to_string(event));
      const Answers answers = waitForAnswers(host, inotify, true);
      if (!answers.line) return state.SkipWithError("no report line for the event");
      if (!answers.metrics) return state.SkipWithError("no metrics file for the event");
      toLine.push_back(milliseconds(*answers.line - sent));
      toMetrics.push_back(milliseconds(*answers.metrics - sent));
    }
  }
  ::close(inotify);
  if (host.stop() != 0) return state.SkipWithError("the watch did not end with status 0");
  addMedianAndWorst(state, "line", toLine);
  addMedianAndWorst(state, "metrics", toMetrics);
}
BENCHMARK(BM_OverCurrentEventLatency)
    ->Arg(100)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
