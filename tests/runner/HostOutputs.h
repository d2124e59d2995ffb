#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// What halvex-host gives, run in dir with these options, for each command an operator runs, by
// the name of its expected file: every output with the times and folders masked, runs.txt with
// each exit status and error output, and each trace log the diagnosis wrote.
std::map<std::string, std::string> hostOutputs(const TempDir& dir,
                                               const std::vector<std::string>& options);
