#include "ModuleFixture.h"

namespace {

struct LocationCase {
  const char* name;
  const char* steps;
  const char* enumeratorLogDir;  // relative to the test's directory
  const char* diagnosticLogDir;
};
ROW_PRINTS_AS_ITS_NAME(LocationCase)

class LocationTest : public ModuleTest, public ::testing::WithParamInterface<LocationCase> {};

// The directory of the one file of that name below root, relative to root; else their number.
std::string placeOf(const std::string& root, const char* fileName) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == fileName) {
      found.push_back(std::filesystem::relative(entry.path().parent_path(), root).generic_string());
    }
  }
  return found.size() == 1 ? found.front() : std::to_string(found.size()) + " logs";
}

TEST_P(LocationTest, LogsGoToTheDerivedDirectory) {
  play(GetParam().steps);
  EXPECT_EQ(placeOf(m_dir.path(), "HalvexDeviceEnumerator.log"), GetParam().enumeratorLogDir);
  EXPECT_EQ(placeOf(m_dir.path(), "HalvexDiagnostic.log"), GetParam().diagnosticLogDir);
}

const LocationCase kLocations[] = {
    // Without a call both logs are in the current directory, as in trace_log_test.cpp.
    {"ThreeLevels", "mkdir a/b/log; config a/b/c/f.xml; enumerator; diagnostic", "a/b/log",
     "a/b/log"},
    {"TrailingSlash", "mkdir a/log; config a/b/; enumerator", "a/log", "0 logs"},
    {"NullKeepsBoth", "mkdir a/b/log; config a/b/c/f.xml; config (null); enumerator", "a/b/log",
     "0 logs"},
    {"OneSlashKeepsLogDir", "config C:/f.xml; enumerator", ".", "0 logs"},
    {"RootFileKeepsLogDir", "config /f.xml; enumerator", ".", "0 logs"},
    {"BackslashesAreNoSeparators", "config C:\\pkg\\config\\usb.xml; enumerator", ".", "0 logs"},
    {"NoSlashDerivesAgain", "mkdir x/y/log; config x/y/z/f.xml; config f.xml; enumerator",
     "x/y/log", "0 logs"},
    {"MissingLogDirFallsBackToPackageDirAlsoForTheDiagnostic",
     "mkdir a/b/c; config a/b/c/f.xml; enumerator; diagnostic", "a/b/c", "a/b/c"},
    {"PathWithoutSlashUndoesAnEarlierFallback",
     "mkdir a/b/c; config a/b/c/f.xml; enumerator; mkdir a/b/log; config f.xml; diagnostic",
     "a/b/c", "a/b/log"},
    {"DiagnosticLogHasNoFallback", "mkdir a/b/c; config a/b/c/f.xml; diagnostic", "0 logs",
     "0 logs"},
    {"AnOpenLogStaysWhereItWasOpened",
     "mkdir one/log; mkdir two/log; config one/pkg/f.xml; enumerator; config two/pkg/f.xml; "
     "enumerator",
     "one/log", "0 logs"},
};
INSTANTIATE_TEST_SUITE_P(PackageConfigPaths, LocationTest, ::testing::ValuesIn(kLocations),
                         RowName());

}  // namespace
