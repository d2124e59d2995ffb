#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr const char* kPreloadLibrary = "libumockdev-preload.so.0";
constexpr const char* kRestartedMark = "HALVEX_TESTBED_UNDER_WRAPPER";

bool preloadIsActive() { return ::dlopen(kPreloadLibrary, RTLD_NOW | RTLD_NOLOAD) != nullptr; }

}  // namespace

// The library and halvex-host see the emulated machine only through umockdev's preloaded
// library, so the tests start themselves again under umockdev-wrapper when it is missing; the
// programs they start inherit it.
int main(int argc, char** argv) {
  if (!preloadIsActive()) {
    if (std::getenv(kRestartedMark) != nullptr) {
      std::fprintf(stderr, "%s is not loaded even under %s\n", kPreloadLibrary, UMOCKDEV_WRAPPER);
      return 1;
    }
    ::setenv(kRestartedMark, "1", 1);
    std::vector<char*> arguments = {const_cast<char*>(UMOCKDEV_WRAPPER)};
    arguments.insert(arguments.end(), argv, argv + argc);
    arguments.push_back(nullptr);
    ::execv(UMOCKDEV_WRAPPER, arguments.data());
    std::fprintf(stderr, "cannot start %s: %s\n", UMOCKDEV_WRAPPER, std::strerror(errno));
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
