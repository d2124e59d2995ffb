#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/windows_calls.h"

namespace {

thread_local DWORD t_lastError = 0;

// How an errno of open(2) reads as a Windows error; the module's open result table tells apart
// only 5, 170, 19, 2, 1167 and 21, the rest are listed for the trace's sake.
struct ErrnoMapping {
  int errnoValue;
  DWORD windowsError;
};
constexpr ErrnoMapping kErrnoToWindows[] = {
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBUSY, ERROR_BUSY},
    {ETXTBSY, ERROR_BUSY},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {ENODEV, ERROR_DEVICE_NOT_CONNECTED},
    {ENXIO, ERROR_DEVICE_NOT_CONNECTED},
    {EAGAIN, ERROR_NOT_READY},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EINVAL, ERROR_INVALID_PARAMETER},
};

DWORD windowsErrorOf(int errnoValue) {
  for (const ErrnoMapping& mapping : kErrnoToWindows) {
    if (mapping.errnoValue == errnoValue) return mapping.windowsError;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD creationDisposition,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
  // Windows reports an empty name as a path that does not exist, not as a missing file.
  if (fileName == nullptr || fileName[0] == '\0') {
    t_lastError = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  if (desiredAccess != GENERIC_WRITE || creationDisposition != OPEN_EXISTING) {
    t_lastError = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  int fd;
  do {
    fd = ::open(fileName, O_WRONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    t_lastError = windowsErrorOf(errno);
    return INVALID_HANDLE_VALUE;
  }
  t_lastError = 0;
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

BOOL CloseHandle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) {
    t_lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  if (::close(descriptorOfHandle(handle)) != 0) {
    t_lastError = windowsErrorOf(errno);
    return 0;
  }
  return 1;
}

DWORD GetLastError() { return t_lastError; }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
