#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <regex>
#include <set>
#include <thread>
#include <utility>

#include "../module/ModuleFixture.h"

namespace {

using Ids = std::pair<long, long>;  // thread, process
using TraceStampTest = ModuleTest;

// The thread and process identifiers of every record in the log.
std::set<Ids> stampIds(const std::string& log) {
  static const std::regex ids("  Thread id: ([0-9]+)   Process id: ([0-9]+)\t");
  std::set<Ids> found;
  for (auto match = std::sregex_iterator(log.begin(), log.end(), ids);
       match != std::sregex_iterator(); ++match) {
    found.insert({std::stol((*match)[1]), std::stol((*match)[2])});
  }
  return found;
}

#if defined(_WIN32)
long threadId() { return static_cast<long>(::GetCurrentThreadId()); }
long processId() { return static_cast<long>(::GetCurrentProcessId()); }
#else
long threadId() { return static_cast<long>(::syscall(SYS_gettid)); }
long processId() { return static_cast<long>(::getpid()); }
#endif

// The module knows the first thread's identifiers before the second thread and, on POSIX, before
// the fork.
TEST_F(TraceStampTest, EachThreadAndAForkedChildStampItsOwnIdentifiers) {
  enumerate(Json::array());
  long otherThread = 0;
  std::thread([&] {
    otherThread = threadId();
    enumerate(Json::array());
  }).join();
  std::set<Ids> expected = {{threadId(), processId()}, {otherThread, processId()}};
#if !defined(_WIN32)
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    enumerate(Json::array());
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // A child's only thread has the child's process identifier as its thread identifier.
  expected.insert({child, child});
#endif
  enumerate(Json::array());
  EXPECT_EQ(stampIds(enumeratorLog()), expected);
}

}  // namespace
