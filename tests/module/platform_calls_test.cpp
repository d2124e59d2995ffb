#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "../support/NamedCase.h"
#include "../support/TempDir.h"
#include "platform/windows_calls.h"

namespace {

HANDLE openForWriting(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

struct OpenFailure {
  const char* name;
  std::string path;
  DWORD expectedError;
};
ROW_PRINTS_AS_ITS_NAME(OpenFailure)

class CreateFileFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(CreateFileFailureTest, SetsTheWindowsError) {
  EXPECT_EQ(openForWriting(GetParam().path), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), GetParam().expectedError);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CreateFileFailureTest,
    ::testing::Values(OpenFailure{"Empty", "", ERROR_PATH_NOT_FOUND},
                      OpenFailure{"Missing", "/nonexistent-halvex/file", ERROR_FILE_NOT_FOUND},
                      OpenFailure{"Directory", "/tmp", ERROR_ACCESS_DENIED},
                      OpenFailure{"BelowAFile", "/dev/null/x", ERROR_PATH_NOT_FOUND},
                      // Read-only even for root.
                      OpenFailure{"ReadOnlyAttribute", "/sys/devices/system/cpu/online",
                                  ERROR_ACCESS_DENIED}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return info.param.name; });

TEST(CreateFileTest, OpensAnExistingFileForWritingOnly) {
  TempDir dir;
  const std::string path = dir.write("node", "");
  const HANDLE handle = openForWriting(path);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFL) & O_ACCMODE, O_WRONLY);
  EXPECT_EQ(::write(descriptorOfHandle(handle), "x", 1), 1);
  EXPECT_EQ(CloseHandle(handle), 1);
  EXPECT_EQ(::fcntl(descriptorOfHandle(handle), F_GETFD), -1) << "descriptor still open";
}

TEST(CreateFileTest, NeverCreatesAFile) {
  TempDir dir;
  EXPECT_EQ(openForWriting(dir.file("new")), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fileExists(dir.file("new")));
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

TEST(IdentifiersTest, AreTheKernelsThreadAndProcessIds) {
  EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(::getpid()));
  DWORD mainThread = GetCurrentThreadId();
  DWORD otherThread = mainThread;
  std::thread([&] { otherThread = GetCurrentThreadId(); }).join();
  EXPECT_EQ(mainThread, static_cast<DWORD>(::getpid()));  // the main thread's id is the pid
  EXPECT_NE(otherThread, mainThread);
}

}  // namespace
