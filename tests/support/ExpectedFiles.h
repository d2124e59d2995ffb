#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// Paths that differ from run to run, each with the name that stands for it in expected files.
using Names = std::vector<std::pair<std::string, std::string>>;

// text with every occurrence of each path, in the order given, replaced by its name.
std::string withNames(std::string text, const Names& names);

// path as a JSON string holds it: a Windows path's backslashes doubled.
std::string inJson(std::string path);

// Compares each text, by file name, whole with the files in tests/expected/<folder>/: every
// stored file must be written and every written one stored. With HALVEX_UPDATE_EXPECTED=1 the
// folder is rewritten from these texts instead.
void expectStoredFiles(const std::string& folder, const std::map<std::string, std::string>& texts);

// The cases of a data file in the source tree (path from its root), a line each; blank lines and
// lines starting with '#' are left out. A file that cannot be read throws, which ends the test
// before an expected file could be compared with, or rewritten from, no cases at all.
std::vector<std::string> caseLines(const std::string& path);
