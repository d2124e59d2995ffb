#pragma once

#include <map>
#include <string>

// Compares each text, by file name, whole with the files in tests/expected/<folder>/: every
// stored file must be written and every written one stored. With HALVEX_UPDATE_EXPECTED=1 the
// folder is rewritten from these texts instead.
void expectStoredFiles(const std::string& folder, const std::map<std::string, std::string>& texts);
