#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>
#include <utility>

#include "Scenario.h"

namespace {

using Ids = std::pair<long, long>;  // thread, process

// The thread and process identifiers of every record in the log.
std::set<Ids> stampIds(const std::string& log) {
  std::set<Ids> found;
  for (auto at = log.find("Thread id: "); at != std::string::npos;
       at = log.find("Thread id: ", at + 1)) {
    Ids ids;
    std::sscanf(log.c_str() + at, "Thread id: %ld   Process id: %ld", &ids.first, &ids.second);
    found.insert(ids);
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
TEST(TraceStampsTest, EachThreadAndAForkedChildStampItsOwnIdentifiers) {
  Scenario scenario;
  scenario.play("enumerator; enumerate 1");
  long otherThread = 0;
  std::thread([&] {
    otherThread = threadId();
    scenario.play("enumerator; enumerate 2");
  }).join();
  std::set<Ids> expected = {{threadId(), processId()}, {otherThread, processId()}};
#if !defined(_WIN32)
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    scenario.play("enumerator; enumerate 3");
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // A child's only thread has the child's process identifier as its thread identifier.
  expected.insert({child, child});
#endif
  scenario.play("enumerator; enumerate 3");
  EXPECT_EQ(stampIds(readFile("HalvexDeviceEnumerator.log")), expected);
}

}  // namespace
