#include "HostProcess.h"

#include <sstream>

#include "tests/support/TempDir.h"

namespace {

// What the host printed, as its user reads it: a Windows program ends its lines in CRLF.
std::string printedText(const std::string& path) {
  std::string text = readFile(path);
#if defined(_WIN32)
  std::string::size_type kept = 0;
  for (std::string::size_type at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
    text[kept++] = text[at];
  }
  text.resize(kept);
#endif
  return text;
}

}  // namespace

std::string HostProcess::out() const { return printedText(m_outPath); }
std::string HostProcess::err() const { return printedText(m_errPath); }

HostRun runHost(const std::vector<std::string>& arguments, const std::string& workDir,
                const std::map<std::string, std::string>& extraEnvironment) {
  HostProcess process(arguments, workDir, extraEnvironment);
  const int status = process.wait();
  return {status, process.out(), process.err()};
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
