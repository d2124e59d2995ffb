#include <windows.h>

// The module has nothing to set up or tear down per process or thread.
BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) { return TRUE; }
