// libludrel's simulated backend as a host uses it, on topology files of each test's own
// directory: the steps of library-steps.txt, and the files that it refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "../support/Environment.h"
#include "../support/ExpectedFiles.h"
#include "../support/TempDir.h"
#include "EventText.h"
#include "ludrel/TopologyFormat.h"
#include "ludrel/USBDeviceFinder.h"
#include "ludrel/USBUtil.h"

using namespace KestraDiags::Ludrel;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLimit = 16 * 1024 * 1024;

// Each test writes its topology files in a folder of its own.
class TopologyTest : public ::testing::Test {
 protected:
  ~TopologyTest() override { unsetEnvironment("LUDREL_TOPOLOGY"); }
  const TempDir m_dir;
};

// What a new finder answers for a hub port, as the module asks: busy or free with the key (a free
// port leaves it alone), the over-current answer and the state written back.
std::string portAnswers(std::ofstream* log, const std::string& hub, int port) {
  USBDeviceFinder finder(log);
  std::string key = "left alone";
  int state = 12345;
  const bool busy = finder.isPortBusy(hub, port, key, nullptr);
  const int answer = finder.checkforOCState(hub, port, state, nullptr);
  return (busy ? "busy " : "free ") + key + ", " + std::to_string(answer) + ", state " +
         std::to_string(state);
}

// An enumeration: ok or fails, what each Next gave up to the one that says there is no more (a
// record's name, or the int it threw: the steps have it throw no other type), and the last error.
std::string enumeration(USBDeviceFinder& finder) {
  std::string text = finder.getAllUSBDevices() ? "ok:" : "fails";
  for (bool more = true; more && text.size() < 10000;) {
    Usb_Device* record = nullptr;
    try {
      more = finder.Next(&record);
    } catch (int value) {
      text += " threw " + std::to_string(value);
    }
    if (record != nullptr) text += " '" + record->sDevName + "'";
    delete record;
  }
  const std::string error = USBUtil::lastErrorName() + " " + USBUtil::lastErrorMessage();
  return text + (error == " " ? "" : ", last error " + error);
}

// When the next event falls due, in whole seconds after the source was opened.
std::string due(const UsbEventSource& source, steady_clock::time_point opened) {
  const auto due = source.nextDue();
  if (!due) return "nothing due";
  if (*due < opened) return "due before opening";
  return "due " + std::to_string(duration_cast<seconds>(*due - opened).count()) +
         " s after opening";
}

TEST_F(TopologyTest, EachStepAnswersAsTheStoredTranscriptShows) {
  const auto started = fs::file_time_type::clock::now();
  const std::string logPath = m_dir.write("trace.log", "");
  std::ofstream log(logPath);
  std::size_t logged = 0;
  std::unique_ptr<USBDeviceFinder> finder;
  std::shared_ptr<UsbEventSource> events;
  steady_clock::time_point opened;
  std::string transcript;
  for (const std::string& line : caseLines("tests/ludrel/library-steps.txt")) {
    std::istringstream words(line);
    std::string step, file, rest;
    std::getline(words >> step >> file >> std::ws, rest);
    static const std::set<std::string> kSteps = {
        "--", "topology", "write", "time", "pad", "enumerate", "again", "port", "events", "take"};
    ASSERT_EQ(kSteps.count(step), 1u) << "no such step: " << line;
    const std::string path = m_dir.file(file);
    std::string answer;
    if (step == "topology" || step == "write") m_dir.write(file, rest);
    if (step == "topology") setEnvironment("LUDREL_TOPOLOGY", path);
    if (step == "time") fs::last_write_time(path, started + seconds(std::stoi(rest)));
    if (step == "pad") {
      std::ofstream(path, std::ios::app | std::ios::binary)
          << std::string(std::stoul(rest) - fs::file_size(path), '\n');
    }
    if (step == "enumerate") finder = std::make_unique<USBDeviceFinder>(&log);
    if (step == "enumerate" || step == "again") answer = enumeration(*finder) + "\n";
    if (step == "port") answer = portAnswers(&log, file, std::stoi(rest)) + "\n";
    if (step == "events") {
      opened = steady_clock::now();
      const auto source = UsbEventSource::open();
      ASSERT_TRUE(source.ok()) << line << ": " << source.failure().message;
      events = source.value();
      answer = "descriptor " + std::to_string(events->descriptor()) + "\n";
    }
    if (step == "take") {
      const auto before = system_clock::now();
      const std::vector<UsbEvent> taken = events->take();
      const auto after = system_clock::now();
      for (const UsbEvent& event : taken) {
        EXPECT_TRUE(event.time >= before && event.time <= after) << "stamped when taken";
        answer += eventText(event) + "\n";
      }
    }
    if (step == "events" || step == "take") answer += due(*events, opened) + "\n";
    std::stringstream logText;
    logText << std::ifstream(logPath).rdbuf();
    std::istringstream answers(answer + logText.str().substr(logged));
    logged = logText.str().size();
    transcript += line + "\n";
    for (std::string answered; std::getline(answers, answered);)
      transcript += "  " + answered + "\n";
  }
  expectStoredFiles("ludrel-steps",
                    {{"transcript.txt", withNames(transcript, {{m_dir.file(""), "DIR/"}})}});
}

// The files that no line of refused-topologies.txt can hold, then a file for each of its lines;
// each file's error and message (after the file's path) whole in tests/expected/ludrel-refusals/.
TEST_F(TopologyTest, EachRefusedFileFailsWithOneLineNamingTheFileAndThePlace) {
  std::string manyObjects = "{}";
  for (int i = 0; i < 100000; ++i) manyObjects += ",{}";
  std::vector<std::pair<std::string, std::string>> cases = {
      {"absent", m_dir.file("absent.json")},
      {"a directory", m_dir.path()},
      {"below a plain file", m_dir.write("plain", "") + "/t.json"},
      {"a byte over 16 MiB", "{\"devices\": []}" + std::string(kLimit - 14, ' ')},
      {"blank", " \n\t\n"},
      {"a comma too many", "{\n  \"devices\": [\n    {\"name\": \"a\",}\n  ]\n}\n"},
      {"a NUL in a text", std::string("{\"devices\": [{\"name\": \"a\0b\"}]}", 31)},
      {"ill-formed UTF-8", "{\"devices\": [{\"name\": \"\xC3(\"}]}"},
      {"a NUL after the value", std::string("{\"devices\": []}\0{}", 18)},
      {"100001 objects", "{\"devices\": [" + manyObjects + "]}"},
      {"an unsigned long of -1",
       R"({"devices": [{"nextThrows": {"type": "unsigned long", "value": -1}}]})"},
  };
  for (const std::string& line : caseLines("tests/ludrel/refused-topologies.txt")) {
    cases.emplace_back(line, line);
  }
  std::string outcomes;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string& what = cases[i].first;
    // A file of its own for each text: the library knows a file again by its path, size and time.
    const std::string path =
        i < 3 ? cases[i].second : m_dir.write(std::to_string(i) + ".json", cases[i].second);
    setEnvironment("LUDREL_TOPOLOGY", path);
    USBDeviceFinder finder(nullptr);
    Usb_Device* record = nullptr;
    EXPECT_FALSE(finder.getAllUSBDevices()) << what;
    EXPECT_FALSE(finder.Next(&record)) << what;
    std::string message = USBUtil::lastErrorName() + " " + USBUtil::lastErrorMessage();
    // An event source reads the same file; only a failing enumeration leaves it to open.
    const bool opens = what.find("getAllUSBDevicesFails") != std::string::npos;
    const auto events = UsbEventSource::open();
    EXPECT_EQ(events.ok() ? "opened" : events.failure().name + " " + events.failure().message,
              opens ? "opened" : message)
        << what;
    EXPECT_EQ(portAnswers(nullptr, "h", 1), "free left alone, -1, state -1")
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

// The events of a topology as the library writes them.
TEST(WrittenTopology, HasEachEventsMembersAndNoOthers) {
  DeviceEntry hub;
  hub.record.nDevType = 2;
  hub.record.nNumofPorts = 4;
  hub.record.sDevDescriptor = "/dev/bus/usb/001/002";
  hub.record.sLocation = "1-2";
  TopologyDocument document;
  document.devices = {hub};
  document.events = {{0, UsbEventKind::OverCurrent, "1-2", 3, 4294967295u, ""},
                     {0, UsbEventKind::DeviceRemoved, "", 0, std::nullopt, "1-2"},
                     {3600000, UsbEventKind::OverCurrent, "1-2", 1, std::nullopt, ""}};
  expectStoredFiles("ludrel-written-events", {{"topology.json", topologyText(document)}});
}

// Without a topology a finder asks the machine's own backend.
TEST(BackendChoiceTest, AnEmptyTopologyMeansTheMachinesBackend) {
  setEnvironment("LUDREL_TOPOLOGY", "");
  EXPECT_NE(USBUtil::backendName(), "simulated");
}

}  // namespace
