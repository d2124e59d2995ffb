#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// The two trace logs, how many live objects use each, and the stream device-level code writes to.
extern std::ofstream g_enumeratorLog;
extern std::ofstream g_diagnosticLog;
extern std::int32_t g_nEnumeratorLogUsers;
extern std::int32_t g_nDiagnosticLogUsers;
extern std::ofstream* g_pCurrentLog;

constexpr const char* kEnumeratorLogName = "/HalvexDeviceEnumerator.log";
constexpr const char* kDiagnosticLogName = "/HalvexDiagnostic.log";

// "Time: " + the ctime text with its newline + "  Thread id: N   Process id: M".
std::string getLogStamp();

// A stream takes records only while it is open and has no error; a dropped record costs this test.
inline bool isTraceable(const std::ofstream& stream) { return !stream.fail() && stream.is_open(); }

void writeTraceRecord(std::ofstream& stream, const char* text) noexcept;
void writeTraceRecord(std::ofstream& stream, const char* text, const std::string& value) noexcept;
void writeTraceRecord(std::ofstream& stream, const char* text, int value) noexcept;
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned int value) noexcept;
void writeTraceRecord(std::ofstream& stream, const char* text, unsigned long value) noexcept;

// One record: an empty line, the stamp, a tab, the text and, when given, a blank and the value.
// A record that cannot be written is dropped; it never throws.
inline void writeTrace(std::ofstream& stream, const char* text) noexcept {
  if (isTraceable(stream)) writeTraceRecord(stream, text);
}
template <typename Value>
inline void writeTrace(std::ofstream& stream, const char* text, const Value& value) noexcept {
  if (isTraceable(stream)) writeTraceRecord(stream, text, value);
}

// Opens the log in the log directory unless it is open (the enumerator falls back to the
// package directory), counts the user and writes the banner.
void openTraceLog(std::ofstream& stream, std::int32_t& users, const char* fileName,
                  bool fallBackToPackageDir) noexcept;
// Drops the user; the last one closes the file.
void closeTraceLog(std::ofstream& stream, std::int32_t& users);
