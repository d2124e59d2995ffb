#include "CallCounters.h"

#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <new>

namespace CallCounters {
namespace {

std::size_t g_clockReads = 0;
std::size_t g_allocations = 0;
int g_recordedFd = -1;
std::vector<std::string>* g_recorded = nullptr;

}  // namespace

std::size_t clockReads() { return g_clockReads; }
std::size_t allocations() { return g_allocations; }

void startRecording(int fd) {
  g_recorded = new std::vector<std::string>();
  g_recordedFd = fd;
}

std::vector<std::string> stopRecording() {
  g_recordedFd = -1;
  std::vector<std::string> recorded = std::move(*g_recorded);
  delete g_recorded;
  g_recorded = nullptr;
  return recorded;
}

void record(int fd, const char* bytes, std::size_t size) {
  if (fd == g_recordedFd) g_recorded->emplace_back(bytes, size);
}

}  // namespace CallCounters

// The system calls themselves, as the C library's wrappers make them.
extern "C" ssize_t write(int fd, const void* bytes, size_t size) {
  CallCounters::record(fd, static_cast<const char*>(bytes), size);
  return ::syscall(SYS_write, fd, bytes, size);
}

extern "C" ssize_t writev(int fd, const struct iovec* parts, int count) {
  if (fd == CallCounters::g_recordedFd) {
    std::string joined;
    for (int i = 0; i < count; ++i)
      joined.append(static_cast<const char*>(parts[i].iov_base), parts[i].iov_len);
    CallCounters::record(fd, joined.data(), joined.size());
  }
  return ::syscall(SYS_writev, fd, parts, count);
}

extern "C" time_t time(time_t* out) noexcept {
  ++CallCounters::g_clockReads;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (out != nullptr) *out = now.tv_sec;
  return now.tv_sec;
}

void* operator new(std::size_t size) {
  ++CallCounters::g_allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
