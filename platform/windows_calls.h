#pragma once

// The few Windows calls the module makes. On Windows they are the real ones; elsewhere this
// folder supplies them on top of POSIX.
#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdint>

using HANDLE = void*;
using DWORD = std::uint32_t;
using LPCSTR = const char*;
using BOOL = int;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD OPEN_EXISTING = 3;

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_GEN_FAILURE = 31;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Opens an existing file or device node for writing. Only GENERIC_WRITE and OPEN_EXISTING are
// honoured; the security attributes, flags and template are accepted and ignored. It never waits:
// a FIFO or a socket is refused with ERROR_NOT_SUPPORTED. On failure it returns
// INVALID_HANDLE_VALUE and sets the thread's last error.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// A handle from CreateFileA is the descriptor itself.
inline int descriptorOfHandle(HANDLE handle) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}
#endif
