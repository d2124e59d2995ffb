// diagnose --watch of a hub with a keyboard whose simulated event source replays events.
#pragma once

#include <string>
#include <vector>

#include "../support/ExpectedFiles.h"
#include "Eventually.h"
#include "HostOutputs.h"
#include "HostTest.h"

// Hub 1-2 with a keyboard on port 3, whose state is given.
inline std::string hubWithKeyboard(const std::string& portState) {
  return R"({"type": "root-hub", "name": "Root", "location": "usb1", "ports": 4,
      "devicePath": "n1", "portStates": [{"port": 2, "key": "04b4:6560 USB Hub"}]},
    {"type": "hub", "name": "USB Hub", "location": "1-2", "parentLocation": "usb1", "ports": 4,
      "vendor": "0x04B4", "product": "0x6560", "devicePath": "n2",
      "portStates": [{"port": 3, "key": "04d9:1702 USB Keyboard", )" +
         portState + R"(}]},
    {"type": "device", "name": "USB Keyboard", "vendor": "0x04D9", "product": "0x1702",
      "location": "1-2.3", "parentLocation": "1-2"})";
}

inline const std::string kInOverCurrent = R"("overCurrent": 2, "overCurrentCount": 1)";
inline const std::string kOverCurrentEvent =
    R"({"afterMs": 100, "kind": "over-current", "hub": "1-2", "port": 3, "count": 2})";
inline const std::string kAddEvent = R"({"afterMs": 100, "kind": "add", "device": "1-2.3"})";

class HostWatchTest : public HostTest {
 protected:
  // A watch of hubWithKeyboard(kInOverCurrent), whose simulated event source replays events,
  // with the hook, its arguments last.
  std::vector<std::string> watch(const std::string& events, std::vector<std::string> hook) const {
    machine(hubWithKeyboard(kInOverCurrent));  // for the hubs' device nodes
    const std::string topology =
        dir.write("topology.json", "{\"devices\": [" + hubWithKeyboard(kInOverCurrent) +
                                       "], \"events\": [" + events + "]}");
    hook.insert(hook.begin(),
                {"--topology", topology, "diagnose", "--watch", "3600", "--prometheus",
                 dir.file("halvex.prom"), "--hook-timeout", "1", "--on-over-current"});
    return hook;
  }

  // What the watch printed and its metrics file, compared whole with tests/expected/<folder>/.
  void expectWatchOutputs(const HostProcess& process, const std::string& folder) const {
    expectStoredFiles(folder,
                      {{"watch.txt", masked(process.out() + "-- stderr:\n" + process.err(), {})},
                       {"halvex.prom", masked(readFile(dir.file("halvex.prom")), {})}});
  }
};
