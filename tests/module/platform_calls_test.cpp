#include <fcntl.h>
#include <gtest/gtest.h>

#include <thread>

#include "../support/TempDir.h"
#include "platform/windows_calls.h"

// The module's open (device_open_test.cpp) checks the rest: that a missing path is not created,
// the errors of failed opens, the error after a successful one, and that CloseHandle releases the
// descriptor and ignores the invalid handle. The identifiers are checked through the trace stamps.
namespace {

HANDLE openForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

TEST(CreateFileTest, OpensForWritingOnly) {
  TempDir dir;
  const HANDLE handle = openForWriting(dir.write("node", ""));
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFL) & O_ACCMODE, O_WRONLY);
  CloseHandle(handle);
}

TEST(LastErrorTest, IsKeptPerThread) {
  openForWriting("");
  DWORD otherThreadError = 1;
  std::thread([&] { otherThreadError = GetLastError(); }).join();
  EXPECT_EQ(otherThreadError, 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
