#include <gtest/gtest.h>

// Built instead of the emulated-machine tests when CMake found no umockdev.
TEST(EmulatedUsbMachine, NeedsUmockdev) {
  GTEST_SKIP() << "umockdev is not installed (Debian packages umockdev and libumockdev-dev); "
                  "the tests on an emulated USB machine did not run";
}
