#include "TraceLog.h"

#include <algorithm>
#include <regex>
#include <stdexcept>

#include "TempDir.h"

namespace {

// The ctime text: "Www Mmm dd hh:mm:ss yyyy\n" (24 characters and its newline).
const char* const kCtime =
    R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n)";

const std::regex& bannerShape() {
  static const std::regex shape(std::string(R"(^\n\*{20} )") + kCtime + R"(\n)");
  return shape;
}

const std::regex& recordShape() {
  static const std::regex shape(std::string(R"(^\nTime: )") + kCtime +
                                R"(  Thread id: [0-9]+   Process id: [0-9]+\t([^\n]*)\n)");
  return shape;
}

}  // namespace

std::string readTraceFile(const std::string& path) {
  const std::string onDisk = readFile(path);
#if defined(_WIN32)
  std::string text;
  for (std::string::size_type at = 0; at < onDisk.size(); ++at) {
    if (onDisk.compare(at, 2, "\r\n") == 0) continue;  // its "\n" is taken next
    if (onDisk[at] == '\r' || (onDisk[at] == '\n' && (at == 0 || onDisk[at - 1] != '\r'))) {
      throw std::runtime_error(path + ": a line end other than CRLF at byte " + std::to_string(at));
    }
    text += onDisk[at];
  }
  return text;
#else
  return onDisk;
#endif
}

std::vector<TraceEntry> parseTraceLog(const std::string& content) {
  std::vector<TraceEntry> entries;
  auto position = content.cbegin();
  while (position != content.cend()) {
    std::smatch match;
    if (std::regex_search(position, content.cend(), match, bannerShape(),
                          std::regex_constants::match_continuous)) {
      entries.push_back({TraceEntry::Banner, ""});
    } else if (std::regex_search(position, content.cend(), match, recordShape(),
                                 std::regex_constants::match_continuous)) {
      entries.push_back({TraceEntry::Record, match[1].str()});
    } else {
      // A line without stamp: text and newline only.
      const auto end = std::find(position, content.cend(), '\n');
      if (end == content.cend() || end == position) {
        throw std::runtime_error("malformed trace log at byte " +
                                 std::to_string(position - content.cbegin()));
      }
      entries.push_back({TraceEntry::BareLine, std::string(position, end)});
      position = end + 1;
      continue;
    }
    position += match.length(0);
  }
  return entries;
}

namespace {

std::vector<std::string> textsOf(const std::string& content, bool withBareLines) {
  std::vector<std::string> texts;
  for (const TraceEntry& entry : parseTraceLog(content)) {
    if (entry.kind == TraceEntry::Record || (withBareLines && entry.kind == TraceEntry::BareLine)) {
      texts.push_back(entry.text);
    }
  }
  return texts;
}

}  // namespace

std::vector<std::string> traceTexts(const std::string& content) { return textsOf(content, false); }

std::vector<std::string> traceLines(const std::string& content) { return textsOf(content, true); }

std::size_t bannerCount(const std::string& content) {
  std::size_t banners = 0;
  for (const TraceEntry& entry : parseTraceLog(content))
    banners += entry.kind == TraceEntry::Banner;
  return banners;
}

std::string maskStamps(const std::string& content) {
  std::string masked;
  for (const TraceEntry& entry : parseTraceLog(content)) {
    if (entry.kind == TraceEntry::Banner) masked += "\n******************** (time)\n\n";
    if (entry.kind == TraceEntry::Record)
      masked += "\nTime: (time)\n  Thread id: (id)   Process id: (id)\t" + entry.text + "\n";
    if (entry.kind == TraceEntry::BareLine) masked += entry.text + "\n";
  }
  return masked;
}
