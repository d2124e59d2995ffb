#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "../support/ModuleUnderTest.h"
#include "../support/TempDir.h"

namespace {

using KestraDiags::DeviceEnum::IDeviceEnumerator;
using Ids = std::pair<long, long>;  // thread, process

constexpr IDeviceEnumerator::DiagnosticMode kNormal = IDeviceEnumerator::MODE_NORMAL;

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

class TraceStampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("LUDREL_TOPOLOGY");  // no devices: the records of getDeviceVector itself suffice
    m_module.setPackageConfigFile(m_dir.file("config/halvex.xml").c_str());
    m_dir.makeDir("log");
  }
  void enumerate() const {
    const std::unique_ptr<IDeviceEnumerator> enumerator(
        m_module.getIDeviceEnumerator(true, kNormal));
    enumerator->getDeviceVector("host", 0);
  }
  std::string log() const { return readFile(m_dir.file("log/HalvexDeviceEnumerator.log")); }

  TempDir m_dir;
  ModuleUnderTest m_module;
};

TEST_F(TraceStampTest, EachThreadStampsItsOwnIdentifier) {
  enumerate();
  long otherThread = 0;
  std::thread([&] {
    otherThread = threadId();
    enumerate();
  }).join();
  enumerate();
  EXPECT_EQ(stampIds(log()), (std::set<Ids>{{threadId(), ::getpid()}, {otherThread, ::getpid()}}));
}

TEST_F(TraceStampTest, AForkedChildStampsItsOwnIdentifiers) {
  enumerate();  // the parent's identifiers are known to the module before the fork
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    enumerate();
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // A child's only thread has the child's process identifier as its thread identifier.
  EXPECT_EQ(stampIds(log()), (std::set<Ids>{{threadId(), ::getpid()}, {child, child}}));
}

}  // namespace
