#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Diagnosis.h"
#include "ludrel/UsbEvents.h"

// --on-over-current: which over-currents are new, and the command run for each with what it
// needs to know in its environment.
namespace KestraDiags {
namespace HalvexHost {

class OverCurrentHooks {
 public:
  // command: the program and its arguments; empty for no hook.
  OverCurrentHooks(std::vector<std::string> command, std::chrono::seconds limit);

  // After a round over some hubs, or all: runs the command once for each over-current event
  // the round answered, then for each other port of its hubs newly in over-current or whose
  // count rose since the last look at it (none at the first look), and remembers what the
  // ports said. One line on err for each run.
  void afterRound(const Diagnosis& round, const std::vector<Ludrel::UsbEvent>& overCurrents,
                  std::ostream& err);

 private:
  struct PortState {
    bool overCurrentNow = false;
    std::optional<std::uint32_t> count;
  };
  using PortKey = std::pair<std::string, int>;  // the hub's location, the port

  bool isNew(const PortKey& key, const PortState& state) const;
  void run(const HubCheck& hub, int port, const std::optional<std::uint32_t>& count,
           const char* source, std::ostream& err) const;

  std::vector<std::string> m_command;
  std::chrono::seconds m_limit;
  std::map<PortKey, PortState> m_lastSeen;
};

}  // namespace HalvexHost
}  // namespace KestraDiags
