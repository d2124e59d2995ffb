#include "TraceLog.h"

#include <cctype>
#include <stdexcept>

#include "TempDir.h"

namespace {

// The ctime text: "Www Mmm dd hh:mm:ss yyyy\n", in the shapes that take() reads.
const std::string kCtime = "@%% @%% _9 99:99:99 9999\n";

// Takes text of the given shape from content at `at` and moves `at` past it, or leaves `at` and
// returns false. In a shape, '@' stands for an upper-case letter, '%' for a lower-case one, '9'
// for a digit, '_' for a space or a digit, '#' for one digit or more; any other byte for itself.
bool take(const std::string& content, std::size_t& at, const std::string& shape) {
  std::size_t next = at;
  for (const char want : shape) {
    const int got = next < content.size() ? static_cast<unsigned char>(content[next]) : -1;
    const bool fits = want == '@'                  ? std::isupper(got)
                      : want == '%'                ? std::islower(got)
                      : want == '9' || want == '#' ? std::isdigit(got)
                      : want == '_'                ? got == ' ' || std::isdigit(got)
                                                   : got == static_cast<unsigned char>(want);
    if (!fits) return false;
    ++next;
    while (want == '#' && next < content.size() &&
           std::isdigit(static_cast<unsigned char>(content[next])))
      ++next;
  }
  at = next;
  return true;
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
  for (std::size_t at = 0; at < content.size();) {
    const std::size_t start = at;
    if (take(content, at, "\n******************** " + kCtime + "\n")) {
      entries.push_back({TraceEntry::Banner, ""});
      continue;
    }
    const bool record = take(content, at, "\nTime: " + kCtime + "  Thread id: #   Process id: #\t");
    // A line without stamp: text and newline only.
    const std::size_t end = content.find('\n', at);
    if (end == std::string::npos || (!record && end == at)) {
      throw std::runtime_error("malformed trace log at byte " + std::to_string(start));
    }
    entries.push_back(
        {record ? TraceEntry::Record : TraceEntry::BareLine, content.substr(at, end - at)});
    at = end + 1;
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
