#include <filesystem>

#include "ModuleFixture.h"

#include "../support/NamedCase.h"

namespace {

struct LocationCase {
  const char* name;
  std::vector<const char*> existingDirs;
  std::vector<const char*> configPaths;  // given to setPackageConfigFile in this order
  const char* expectedLogDir;            // relative to the test's directory
};

ROW_PRINTS_AS_ITS_NAME(LocationCase)

class LocationTest : public ModuleTest, public ::testing::WithParamInterface<LocationCase> {};

// Finds the one enumerator log below the test's directory.
std::string onlyEnumeratorLog(const std::string& root) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().filename() == "HalvexDeviceEnumerator.log") {
      found.push_back(std::filesystem::relative(entry.path().parent_path(), root).generic_string());
    }
  }
  return found.size() == 1 ? found.front() : "found " + std::to_string(found.size()) + " logs";
}

TEST_P(LocationTest, EnumeratorLogGoesToTheDerivedDirectory) {
  const LocationCase& c = GetParam();
  for (const char* dir : c.existingDirs) m_dir.makeDir(dir);
  for (const char* path : c.configPaths) m_module.setPackageConfigFile(path);
  EnumeratorPtr(m_module.getIDeviceEnumerator(true, kNormal)).reset();
  EXPECT_EQ(onlyEnumeratorLog(m_dir.path()), c.expectedLogDir);
}

INSTANTIATE_TEST_SUITE_P(
    PackageConfigPaths, LocationTest,
    ::testing::Values(
        LocationCase{"NoCall", {}, {}, "."},
        LocationCase{"ThreeLevels", {"a/b/log"}, {"a/b/c/f.xml"}, "a/b/log"},
        LocationCase{"TrailingSlash", {"a/log"}, {"a/b/"}, "a/log"},
        LocationCase{"NullKeepsBoth", {"a/b/log"}, {"a/b/c/f.xml", nullptr}, "a/b/log"},
        LocationCase{"OneSlashKeepsLogDir", {}, {"C:/f.xml"}, "."},
        LocationCase{"RootFileKeepsLogDir", {}, {"/f.xml"}, "."},
        LocationCase{"BackslashesAreNoSeparators", {}, {"C:\\pkg\\config\\usb.xml"}, "."},
        LocationCase{"NoSlashDerivesAgain", {"x/y/log"}, {"x/y/z/f.xml", "f.xml"}, "x/y/log"},
        LocationCase{"MissingLogDirFallsBackToPackageDir", {"a/b/c"}, {"a/b/c/f.xml"}, "a/b/c"}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return info.param.name; });

TEST_F(ModuleTest, FallbackDirectoryIsKeptForTheDiagnosticLog) {
  m_dir.makeDir("a/b/c");
  m_module.setPackageConfigFile("a/b/c/f.xml");
  EnumeratorPtr enumerator(m_module.getIDeviceEnumerator(true, kNormal));
  DiagnosticPtr diagnostic(m_module.getIDiagnostics(true, kNormal));
  EXPECT_TRUE(fileExists(m_dir.file("a/b/c/HalvexDeviceEnumerator.log")));
  EXPECT_TRUE(fileExists(m_dir.file("a/b/c/HalvexDiagnostic.log")));
}

TEST_F(ModuleTest, PathWithoutSlashUndoesAnEarlierFallback) {
  m_dir.makeDir("a/b/c");
  m_module.setPackageConfigFile("a/b/c/f.xml");
  EnumeratorPtr(m_module.getIDeviceEnumerator(true, kNormal)).reset();
  ASSERT_TRUE(fileExists(m_dir.file("a/b/c/HalvexDeviceEnumerator.log")));

  m_dir.makeDir("a/b/log");
  m_module.setPackageConfigFile("f.xml");
  DiagnosticPtr(m_module.getIDiagnostics(true, kNormal)).reset();
  EXPECT_TRUE(fileExists(m_dir.file("a/b/log/HalvexDiagnostic.log")));
}

TEST_F(ModuleTest, DiagnosticLogHasNoFallback) {
  m_dir.makeDir("a/b/c");
  m_module.setPackageConfigFile("a/b/c/f.xml");
  DiagnosticPtr(m_module.getIDiagnostics(true, kNormal)).reset();
  EXPECT_FALSE(fileExists(m_dir.file("a/b/c/HalvexDiagnostic.log")));
  EXPECT_FALSE(fileExists(m_dir.file("HalvexDiagnostic.log")));
}

TEST_F(ModuleTest, AnOpenLogStaysWhereItWasOpened) {
  m_dir.makeDir("one/log");
  m_dir.makeDir("two/log");
  m_module.setPackageConfigFile("one/pkg/f.xml");
  EnumeratorPtr first(m_module.getIDeviceEnumerator(true, kNormal));
  m_module.setPackageConfigFile("two/pkg/f.xml");
  EnumeratorPtr second(m_module.getIDeviceEnumerator(true, kNormal));
  EXPECT_EQ(bannerCount(enumeratorLog("one/log")), 2u);
  EXPECT_FALSE(fileExists(m_dir.file("two/log/HalvexDeviceEnumerator.log")));
}

}  // namespace
