#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

// The library and halvex-host see the emulated machine only through umockdev's preloaded
// library, so the tests start themselves again under umockdev-wrapper when it is missing; the
// programs they start inherit it.
int main(int argc, char** argv) {
  if (::dlopen("libumockdev-preload.so.0", RTLD_NOW | RTLD_NOLOAD) == nullptr) {
    if (std::getenv("HALVEX_TESTBED_UNDER_WRAPPER") != nullptr) {
      std::fprintf(stderr, "umockdev's preloaded library is missing even under %s\n",
                   UMOCKDEV_WRAPPER);
      return 1;
    }
    ::setenv("HALVEX_TESTBED_UNDER_WRAPPER", "1", 1);
    std::vector<char*> arguments = {const_cast<char*>(UMOCKDEV_WRAPPER)};
    arguments.insert(arguments.end(), argv, argv + argc + 1);  // with the closing null
    ::execv(UMOCKDEV_WRAPPER, arguments.data());
    std::fprintf(stderr, "cannot start %s: %s\n", UMOCKDEV_WRAPPER, std::strerror(errno));
    return 1;
  }
  // The USB library, here and in the programs the tests start, uses the machine's backend.
  ::unsetenv("LUDREL_TOPOLOGY");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
