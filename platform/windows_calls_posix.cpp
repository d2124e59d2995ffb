#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
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

// A hub's device is a device node, or a file standing in for one; a FIFO or a socket never is.
bool cannotBeADevice(mode_t mode) { return S_ISFIFO(mode) || S_ISSOCK(mode); }

// Why an open failed. A FIFO without a reader and a socket fail with ENXIO, as a node whose device
// is gone does; their type tells them apart. Windows answers a request a file cannot serve with
// ERROR_NOT_SUPPORTED.
DWORD openErrorOf(LPCSTR fileName, int errnoValue) {
  struct stat status;
  if (errnoValue == ENXIO && ::stat(fileName, &status) == 0 && cannotBeADevice(status.st_mode)) {
    return ERROR_NOT_SUPPORTED;
  }
  return windowsErrorOf(errnoValue);
}

// The error that refuses the open descriptor fd, or 0 when it is kept.
DWORD refusalOf(int fd) {
  struct stat status;
  if (::fstat(fd, &status) != 0) return windowsErrorOf(errno);
  return cannotBeADevice(status.st_mode) ? ERROR_NOT_SUPPORTED : 0;
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
  // Without O_NONBLOCK, opening a FIFO for writing waits for a reader, for ever if none comes.
  int fd;
  do {
    fd = ::open(fileName, O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    t_lastError = openErrorOf(fileName, errno);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD refusal = refusalOf(fd);
  if (refusal != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    t_lastError = refusal != 0 ? refusal : windowsErrorOf(errno);
    ::close(fd);
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

// Every written trace record carries both identifiers. They are asked of the system once per
// thread and process, and asked again in the child of a fork, where both have changed.
namespace {

thread_local DWORD t_threadId = 0;
std::atomic<DWORD> g_processId{0};

void forgetIdentifiers() {
  t_threadId = 0;
  g_processId.store(0, std::memory_order_relaxed);
}

[[maybe_unused]] const int g_forgetInForkedChild =
    ::pthread_atfork(nullptr, nullptr, &forgetIdentifiers);

}  // namespace

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = static_cast<DWORD>(::syscall(SYS_gettid));
  return t_threadId;
}

DWORD GetCurrentProcessId() {
  DWORD processId = g_processId.load(std::memory_order_relaxed);
  if (processId == 0) {
    processId = static_cast<DWORD>(::getpid());
    g_processId.store(processId, std::memory_order_relaxed);
  }
  return processId;
}
