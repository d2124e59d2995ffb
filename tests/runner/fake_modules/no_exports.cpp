// A shared library that is no module: it exports none of the three entry points.
extern "C" __attribute__((visibility("default"))) int notAModule() { return 0; }
