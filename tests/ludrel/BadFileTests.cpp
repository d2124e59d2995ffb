#include <sstream>
#include <utility>
#include <vector>

#include "../support/ExpectedFiles.h"
#include "TopologyFixture.h"
#include "ludrel/UsbEvents.h"

namespace {

constexpr std::size_t kLimit = 16 * 1024 * 1024;

using BadFileTest = TopologyTest;

// The files that no line of refused-topologies.txt can hold, then a file for each of its lines;
// each file's error and message (after the file's path) whole in tests/expected/ludrel-refusals/.
TEST_F(BadFileTest, EachIsRefusedWithOneLineNamingTheFileAndThePlace) {
  std::string manyObjects = "{}";
  for (int i = 0; i < 100000; ++i) manyObjects += ",{}";
  std::vector<std::pair<std::string, std::string>> cases = {
      {"absent", (m_dir / "absent.json").string()},
      {"a directory", m_dir.string()},
      {"below a plain file", writeFile("plain", "") + "/t.json"},
      {"a byte over 16 MiB", newFile("{\"devices\": []}" + std::string(kLimit - 14, ' '))},
      {"blank", newFile(" \n\t\n")},
      {"a comma too many", newFile("{\n  \"devices\": [\n    {\"name\": \"a\",}\n  ]\n}\n")},
      {"a NUL in a text", newFile(std::string("{\"devices\": [{\"name\": \"a\0b\"}]}", 31))},
      {"ill-formed UTF-8", newFile("{\"devices\": [{\"name\": \"\xC3(\"}]}")},
      {"a NUL after the value", newFile(std::string("{\"devices\": []}\0{}", 18))},
      {"100001 objects", newFile(topologyOf(manyObjects))},
      {"an unsigned long of -1",
       newFile(topologyOf(R"({"nextThrows": {"type": "unsigned long", "value": -1}})"))},
  };
  for (const std::string& line : caseLines("tests/ludrel/refused-topologies.txt")) {
    cases.emplace_back(line, newFile(line));
  }
  std::string outcomes;
  for (const auto& [what, path] : cases) {
    useTopologyPath(path);
    USBDeviceFinder finder(nullptr);
    Usb_Device* record = nullptr;
    EXPECT_FALSE(finder.getAllUSBDevices()) << what;
    EXPECT_FALSE(finder.Next(&record)) << what;
    std::string message = USBUtil::lastErrorName() + " " + USBUtil::lastErrorMessage();
    // An event source reads the same file; only a failing enumeration leaves it to open.
    const bool opens = what.find("getAllUSBDevicesFails") != std::string::npos;
    const auto events = KestraDiags::Ludrel::UsbEventSource::open();
    EXPECT_EQ(events.ok() ? "opened" : events.failure().name + " " + events.failure().message,
              opens ? "opened" : message)
        << what;
    EXPECT_EQ(portAnswers("h", 1), "free left alone, -1, state -1")
        << what << ": port queries answer, not throw";
    const std::size_t file = message.find(' ' + path);
    if (file != std::string::npos) message.replace(file + 1, path.size(), "(file)");
    // The largest unsigned long has 32 bits on Windows, 64 on Linux.
    if (what == "an unsigned long of -1")
      message.replace(message.rfind(' '), std::string::npos, " ULONG_MAX");
    outcomes += what + "\n  " + message + "\n";
  }
  expectStoredFiles("ludrel-refusals", {{"outcomes.txt", outcomes}});
}

TEST_F(BadFileTest, AFileOfExactlyTheLimitIsRead) {
  const std::string json = topologyOf(R"({"name": "x"})");
  const std::string path = useTopology(json + std::string(kLimit - json.size(), '\n'));
  ASSERT_EQ(std::filesystem::file_size(path), kLimit);
  EXPECT_EQ(namesRead(), Texts{"x"});
}

TEST_F(BadFileTest, AFailureReachesAnOpenLogOncePerRepeat) {
  const std::string path = useTopology("{");
  const std::string logPath = writeFile("trace.log", "");
  std::ofstream log(logPath);
  for (int enumeration = 0; enumeration < 2; ++enumeration) {
    USBDeviceFinder finder(&log);
    EXPECT_FALSE(finder.getAllUSBDevices());
    std::string key;
    int state = 0;
    finder.isPortBusy("h", 1, key, nullptr);
    finder.checkforOCState("h", 1, state, nullptr);
  }
  log.close();
  const std::string line = "Ludrel: LUDREL_ERROR_PARSE: " + path +
                           ":1:2: not JSON: syntax error while parsing object key - unexpected end "
                           "of input; expected string literal\n";
  std::stringstream text;
  text << std::ifstream(logPath).rdbuf();
  EXPECT_EQ(text.str(), line + line) << "one line per enumeration, none per port";
}

}  // namespace
