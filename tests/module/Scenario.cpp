#include "Scenario.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <stdexcept>

#include "../support/Environment.h"
#include "../support/ExpectedFiles.h"
#include "../support/TraceLog.h"
#include "device/HalvexDevice.h"

namespace fs = std::filesystem;
using KestraDiags::Halvex::HalvexDevice;

namespace {

constexpr auto kNormal = KestraDiags::DeviceEnum::IDeviceEnumerator::MODE_NORMAL;

const char* const kEarlierLog =
    "\n******************** Fri Dec  4 19:30:48 2026\n\n\nTime: Fri Dec  4";

#if defined(_WIN32)
std::string tryOpening(const std::string& path, DWORD access, DWORD shareMode) {
  const HANDLE handle =
      ::CreateFileA(path.c_str(), access, shareMode, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "error " + std::to_string(::GetLastError());
  ::CloseHandle(handle);
  return "opened";
}

// An open that shares nothing fails while another handle holds the file.
int handlesHolding(const std::string& path) {
  return tryOpening(path, GENERIC_READ, 0) == "error " + std::to_string(ERROR_SHARING_VIOLATION);
}

bool moduleIsLoaded() { return ::GetModuleHandleA("halvex.dll") != nullptr; }
#else
// Every descriptor of the process counts, so that closing one the module never opened shows.
int handlesHolding(const std::string&) {
  return static_cast<int>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

bool moduleIsLoaded() {
  void* const library = ::dlopen(HALVEX_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (library != nullptr) ::dlclose(library);
  return library != nullptr;
}
#endif

// The banners, records and bare lines of a log, a line each; what an earlier run left is named.
std::string entriesOf(std::string content) {
  std::string entries;
  if (content.rfind(kEarlierLog, 0) == 0) {
    entries += "  (the earlier run's)\n";
    content.erase(0, std::string(kEarlierLog).size());
  }
  try {
    for (const TraceEntry& entry : parseTraceLog(content)) {
      entries += entry.kind == TraceEntry::Banner   ? "  (banner)\n"
                 : entry.kind == TraceEntry::Record ? "  " + entry.text + "\n"
                                                    : "  (bare) " + entry.text + "\n";
    }
  } catch (const std::exception& error) {
    entries += std::string("  (") + error.what() + ")\n";
  }
  return entries;
}

}  // namespace

Scenario::Scenario() : m_previousDir(fs::current_path()), m_module(std::in_place) {
  fs::current_path(m_dir.path());
  useTopology(R"({"getAllUSBDevicesFails": "bus gone", "devices": []})");
}

// The objects go before the module, and the directory is left before it is removed.
Scenario::~Scenario() { fs::current_path(m_previousDir); }

void Scenario::play(const std::string& steps) {
  for (std::string::size_type at = 0, end = 0; end != std::string::npos; at = end + 2) {
    end = steps.find("; ", at);
    const std::string step = steps.substr(at, end - at);
    playStep(step, step.substr(step.rfind(' ') + 1));
  }
}

void Scenario::playStep(const std::string& step, const std::string& last) {
  const auto is = [&step](const char* verb) { return step.rfind(verb, 0) == 0; };
  const auto device = [this] { return static_cast<HalvexDevice*>(m_devices->at(0).getDevice()); };
  if (is("mkdir ")) {
    m_dir.makeDir(last);
  } else if (is("file ")) {
    m_dir.write(last, "");
  } else if (is("earlier ")) {
    m_dir.write(last, kEarlierLog);
  } else if (is("full ")) {
    fs::create_symlink("/dev/full", last);
  } else if (is("topology ")) {
    setEnvironment("LUDREL_TOPOLOGY", HALVEX_TOPOLOGIES_DIR "/" + last);
  } else if (is("hub ")) {
    m_hubPath = fs::path(last).is_relative() && !last.empty() ? m_dir.file(last) : last;
    useTopology(R"({"devices": [{"type": "root-hub", "devicePath": ")" + inJson(m_hubPath) +
                "\"}]}");
  } else if (step == "config (null)") {
    m_module->setPackageConfigFile(nullptr);
  } else if (is("config ")) {
    m_module->setPackageConfigFile(last.c_str());
  } else if (last == "enumerator") {
    m_enumerators.emplace_back(m_module->getIDeviceEnumerator(step == last, kNormal));
  } else if (last == "diagnostic") {
    m_diagnostics.emplace_back(m_module->getIDiagnostics(step == last, kNormal));
  } else if (is("drop enumerator ")) {
    m_enumerators.at(std::stoul(last) - 1).reset();
  } else if (is("drop diagnostic ")) {
    m_diagnostics.at(std::stoul(last) - 1).reset();
  } else if (is("enumerate ")) {
    m_devices = m_enumerators.at(std::stoul(last) - 1)->getDeviceVector("", 0);
    ASSERT_NE(m_devices, nullptr);
    m_handlesBefore = handlesHolding(m_hubPath);
  } else if (step == "caches") {
    for (KestraDiags::DeviceEnum::VirtualDevice& each : *m_devices) {
      std::string cache = each.getDevice()->getDeviceLocation() + ":";
      for (const auto& [key, port] : static_cast<HalvexDevice*>(each.getDevice())->getHubCache()) {
        cache += " " + std::to_string(port) + "=" + key;
      }
      report(cache);
    }
  } else if (step == "control") {
    device()->deviceControl(12345);
  } else if (step == "open" || step == "close") {
    const std::string result = step == "open" ? ": " + std::to_string(device()->open(0)) : "";
    if (step == "close") device()->close();
    const int handles = handlesHolding(m_hubPath) - m_handlesBefore;
    report(step + result + (device()->isOpen() ? ", open" : ", closed") + ", handles " +
           (handles < 0 ? "" : "+") + std::to_string(handles));
#if defined(_WIN32)
  } else if (step == "hold") {
    m_held = ::CreateFileA(m_hubPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  } else if (step == "release") {
    ::CloseHandle(m_held);
  } else if (step == "probe") {
    report("a writer sharing writes: " + tryOpening(m_hubPath, GENERIC_WRITE, FILE_SHARE_WRITE) +
           ", a reader sharing both: " +
           tryOpening(m_hubPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
#endif
  } else {
    FAIL() << "unknown step: " << step;
  }
}

void Scenario::useTopology(const std::string& json) {
  setEnvironment("LUDREL_TOPOLOGY", m_topologies.write("topology.json", json));
}

void Scenario::report(const std::string& outcome) { m_outcomes += "-> " + outcome + "\n"; }

std::string Scenario::transcript() const {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(m_dir.path())) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry, m_dir.path()).generic_string());
  }
  std::string text = m_outcomes + (files.empty() ? "(no files)\n" : "");
  for (const std::string& file : files) text += file + "\n" + entriesOf(readTraceFile(file));
  return withNames(text, {{m_dir.path(), "(dir)"}, {m_topologies.path(), "(topologies)"}});
}

bool Scenario::unloads() {
  m_diagnostics.clear();
  m_enumerators.clear();
  m_module.reset();
  return !moduleIsLoaded();
}
