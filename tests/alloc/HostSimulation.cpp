#include "HostSimulation.h"

#include <dirent.h>

#include <cstdlib>
#include <filesystem>

#include "../support/TraceLog.h"
#include "device/HalvexDevice.h"

using KestraDiags::DeviceEnum::VirtualDevice;
using KestraDiags::Halvex::HalvexDevice;

bool DeviceSummary::operator==(const DeviceSummary& other) const {
  return name == other.name && description == other.description &&
         deviceClass == other.deviceClass && descriptor == other.descriptor &&
         hubCacheSize == other.hubCacheSize;
}

std::vector<DeviceSummary> summarise(const std::vector<VirtualDevice>& devices) {
  std::vector<DeviceSummary> summaries;
  for (const VirtualDevice& wrapper : devices) {
    const auto* device = static_cast<const HalvexDevice*>(wrapper.getDevice());
    summaries.push_back({device->getDeviceName(), device->getDeviceDescription(),
                         device->getDeviceClass(), device->getDeviceDescriptor(),
                         device->getHubCache().size()});
  }
  return summaries;
}

std::size_t openDescriptorCount() {
  std::size_t count = 0;
  DIR* fds = ::opendir("/proc/self/fd");
  if (fds == nullptr) return 0;
  while (const dirent* entry = ::readdir(fds)) count += entry->d_name[0] != '.';
  ::closedir(fds);
  return count;
}

HostSimulation::HostSimulation() {
  std::filesystem::copy(HALVEX_EXAMPLES_DIR, m_dir.file("examples"),
                        std::filesystem::copy_options::recursive);
  m_configFile = m_dir.makeDir("package/config") + "/halvex.xml";
  m_logDir = m_dir.makeDir("package/log");
}

void HostSimulation::useTopology(const std::string& relativePath) {
  ::setenv("LUDREL_TOPOLOGY", m_dir.file("examples/" + relativePath).c_str(), 1);
}

std::string HostSimulation::logProblem(const std::string& path) {
  if (!fileExists(path)) return "";
  try {
    parseTraceLog(readFile(path));
    return "";
  } catch (const std::exception& error) {
    return path + ": " + error.what();
  }
}

void FailureReport::add(std::size_t allocation, const std::string& problem) {
  if (++m_count <= kShown) {
    m_text += "allocation ";
    m_text += std::to_string(allocation);
    m_text += ": ";
    m_text.append(problem, 0, kProblemLength);
    m_text += "\n";
  }
}

std::string FailureReport::text() const {
  return std::to_string(m_count) + " failed allocations went wrong; the first:\n" + m_text;
}
