#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "../support/TempDir.h"
#include "platform/windows_calls.h"

// The errors that failed opens set are checked through the module's open (device_open_test.cpp),
// the thread and process identifiers through the trace stamps (trace_stamp suite).
namespace {

HANDLE openForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

TEST(CreateFileTest, OpensAnExistingFileForWritingOnlyAndNeverCreatesOne) {
  TempDir dir;
  EXPECT_EQ(openForWriting(dir.file("new")), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fileExists(dir.file("new")));
  const HANDLE handle = openForWriting(dir.write("node", ""));
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFL) & O_ACCMODE, O_WRONLY);
  EXPECT_EQ(::write(descriptorOfHandle(handle), "x", 1), 1);
  EXPECT_EQ(CloseHandle(handle), 1);
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFD), -1) << "descriptor still open";
}

TEST(CloseHandleTest, InvalidHandleFailsWithoutClosingAnything) {
  EXPECT_EQ(CloseHandle(INVALID_HANDLE_VALUE), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LastErrorTest, IsKeptPerThread) {
  openForWriting("");
  DWORD otherThreadError = 1;
  std::thread([&] { otherThreadError = GetLastError(); }).join();
  EXPECT_EQ(otherThreadError, 0u);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
