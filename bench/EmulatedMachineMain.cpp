// main() of the benchmarks that run whole programs on the USB machine umockdev emulates: they
// must run under umockdev-wrapper, whose preloaded library shows that machine to the programs
// they start.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "tests/linux/UsbTestbed.h"

int main(int argc, char** argv) {
  if (!umockdevPreloaded()) {
    std::fprintf(stderr, "run it under umockdev-wrapper: umockdev-wrapper %s\n", argv[0]);
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
