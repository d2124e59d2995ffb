#pragma once

// Symbols of the USB utility library: exported while it is built, imported by its users.
#if defined(_WIN32)
#if defined(LUDREL_BUILDING)
#define LUDREL_API __declspec(dllexport)
#else
#define LUDREL_API __declspec(dllimport)
#endif
#else
#define LUDREL_API __attribute__((visibility("default")))
#endif
