#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

// A program the host runs for an over-current: started without a shell, its arguments as given,
// the host's environment with some variables added, its output on the host's stderr (so that a
// JSON report stays whole), and a time limit. POSIX in HookProcess_posix.cpp, Windows in
// HookProcess_windows.cpp.
namespace KestraDiags {
namespace HalvexHost {

using EnvironmentVariables = std::vector<std::pair<std::string, std::string>>;

// Runs command (the program, then its arguments) to its end, or until limit: then it is asked to
// end and, after a grace of two seconds, killed (on Windows killed at once). What became of it, for
// a line of its own: "exit status 0", "ended by signal 11", "killed after 10 s", "cannot start
// PROGRAM: why".
std::string runHookProgram(const std::vector<std::string>& command,
                           const EnvironmentVariables& variables, std::chrono::seconds limit);

}  // namespace HalvexHost
}  // namespace KestraDiags
