#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "../support/TempDir.h"
#include "platform/windows_calls.h"

// The module's open (scenarios.txt, and the host's whole outputs in tests/expected) checks
// the rest: that a missing path is not created, the errors of failed opens, the error after a
// successful one, and that CloseHandle releases the descriptor and ignores the invalid handle.
// The identifiers are checked through the trace stamps.
namespace {

HANDLE openForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

TEST(CreateFileTest, OpensForWritingOnly) {
  TempDir dir;
  const HANDLE handle = openForWriting(dir.write("node", ""));
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  // Blocking again, as the module's callers expect of a device handle.
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFL) & (O_ACCMODE | O_NONBLOCK), O_WRONLY);
  CloseHandle(handle);
}

// A FIFO or a socket can never be a hub's device: refused even when something listens at the
// other end. A FIFO without a reader is a row of the host's tests/runner/host_runs.txt.
TEST(CreateFileTest, RefusesFifosAndSockets) {
  TempDir dir;
  const std::string fifo = dir.file("fifo"), socketPath = dir.file("socket");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const auto refusal = [](const std::string& path) {
    const HANDLE handle = openForWriting(path);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  };
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(refusal(fifo), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(refusal(socketPath), ERROR_NOT_SUPPORTED);
  ::close(reader);
  ::close(listener);
}

TEST(LastErrorTest, IsKeptPerThread) {
  openForWriting("");
  DWORD otherThreadError = 1;
  std::thread([&] { otherThreadError = GetLastError(); }).join();
  EXPECT_EQ(otherThreadError, 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
