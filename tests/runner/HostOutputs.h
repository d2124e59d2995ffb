#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/ExpectedFiles.h"
#include "tests/support/TempDir.h"

// text without what differs from run to run or machine to machine: the diagnosis's times become
// "(time)" (the run's timestamp only when it is now), a temporary file's number "(random)", each
// of these paths its name, then the source folder "(source)".
std::string masked(std::string text, Names names);

// The arguments of a command line written as masked() writes it, one word each ('' an empty
// one), a word that starts with one of the names starting with its path instead.
std::vector<std::string> commandWords(const std::string& line, const Names& names);

// What halvex-host gives, run in dir with these options, for each command an operator runs, by
// the name of its expected file: every output with the times and folders masked, runs.txt with
// each exit status and error output, and each trace log the diagnosis wrote.
std::map<std::string, std::string> hostOutputs(const TempDir& dir,
                                               const std::vector<std::string>& options);
