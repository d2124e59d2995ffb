// A shared library that is no module: it exports none of the three entry points.
#if defined(_WIN32)
#define NOT_A_MODULE_EXPORT __declspec(dllexport)
#else
#define NOT_A_MODULE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" NOT_A_MODULE_EXPORT int notAModule() { return 0; }
