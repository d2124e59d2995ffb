#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

long threadId() { return static_cast<long>(::syscall(SYS_gettid)); }

// The module knows the first thread's identifiers before the second thread and the fork.
TEST_F(TraceStampTest, EachThreadAndAForkedChildStampItsOwnIdentifiers) {
  enumerate(Json::array());
  long otherThread = 0;
  std::thread([&] {
    otherThread = threadId();
    enumerate(Json::array());
  }).join();
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    enumerate(Json::array());
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  enumerate(Json::array());
  // A child's only thread has the child's process identifier as its thread identifier.
  EXPECT_EQ(stampIds(enumeratorLog()),
            (std::set<Ids>{{threadId(), ::getpid()}, {otherThread, ::getpid()}, {child, child}}));
}

}  // namespace
