// Each row of scenarios.txt played on a freshly loaded module, every outcome compared whole with
// tests/expected/module-scenarios/scenarios.txt (module-scenarios-windows/ for a Windows build). To
// rewrite that file from this build instead: HALVEX_UPDATE_EXPECTED=1 ctest -R Scenarios
#include <gtest/gtest.h>

#include "../support/ExpectedFiles.h"
#include "Scenario.h"

namespace {

#if defined(_WIN32)
const char *const kSkipped = "posix ", *const kExpected = "module-scenarios-windows";
#else
const char *const kSkipped = "windows ", *const kExpected = "module-scenarios";
#endif

// Dropping the last reference must unload the module, for a host's next load, and the next row,
// to start with the module-wide objects as at load.
TEST(ScenariosTest, OutcomesAndLogsAreTheExpectedOnes) {
  std::string transcripts;
  for (const std::string& row : caseLines("tests/module/scenarios.txt")) {
    if (row.rfind(kSkipped, 0) == 0) continue;
    Scenario scenario;
    scenario.play(row.substr(row.find(": ") + 2));
    transcripts += "\n" + row + "\n" + scenario.transcript();
    if (!scenario.unloads()) transcripts += "(the module stays loaded)\n";
  }
  expectStoredFiles(kExpected, {{"scenarios.txt", transcripts}});
}

}  // namespace
