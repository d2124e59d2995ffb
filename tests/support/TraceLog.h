#pragma once

#include <string>
#include <vector>

// What a trace log file holds, taken apart by the exact shapes the module writes.
struct TraceEntry {
  enum Kind { Banner, Record, BareLine } kind;
  std::string text;  // a record's text and value after the tab, a bare line's text, or empty
};

// The content of a trace log file, its line ends read as "\n". Windows writes the logs in text
// mode, so there every line must end in "\r\n" on disk: a bare "\n" or a "\r" anywhere else
// throws, naming its offset.
std::string readTraceFile(const std::string& path);

// Splits the file into banners, records and bare lines (lines written without a stamp, such as
// the USB library's own); throws with the offset of the first byte that fits none of them.
std::vector<TraceEntry> parseTraceLog(const std::string& content);
// The texts of the records only, in file order.
std::vector<std::string> traceTexts(const std::string& content);
// The texts of the records and bare lines, in file order.
std::vector<std::string> traceLines(const std::string& content);
// The content with every banner's and record's time stamp, thread id and process id masked, and
// every other byte as written, so that two runs can be compared whole.
std::string maskStamps(const std::string& content);
