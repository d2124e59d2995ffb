#pragma once

// Symbols of the host framework library: exported while it is built, imported by its users.
#if defined(_WIN32)
#if defined(TESSARY_BUILDING)
#define TESSARY_API __declspec(dllexport)
#else
#define TESSARY_API __declspec(dllimport)
#endif
#else
#define TESSARY_API __attribute__((visibility("default")))
#endif
