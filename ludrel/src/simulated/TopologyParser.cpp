#include "simulated/TopologyParser.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "Failure.h"
#include "HubLayout.h"
#include "ludrel/RecordNumbers.h"
#include "simulated/EventSchedule.h"
#include "simulated/JsonDocument.h"
#include "simulated/TopologyJson.h"

namespace KestraDiags {
namespace Ludrel {
namespace {

// "FILE:LINE:COLUMN" of the byte at offset (from 0) of text, lines and columns from 1.
std::string position(const std::string& fileName, const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const auto line = 1 + std::count(text.begin(), text.begin() + offset, '\n');
  const std::size_t newline = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
  const std::size_t column = newline == std::string::npos ? offset + 1 : offset - newline;
  return fileName + ":" + std::to_string(line) + ":" + std::to_string(column);
}

// What a parser exception says, without its "[json.exception.KIND.N] " label.
std::string problemOf(const Json::exception& error) {
  const std::string what = error.what();
  return what.substr(what.find("] ") + 2);
}

Failure syntaxFailure(const Json::parse_error& error, const std::string& text,
                      const std::string& fileName) {
  // The message reads "parse error at line L, column C: what went wrong"; the position is
  // computed here again, from the byte it names (from 1).
  const std::string problem = problemOf(error);
  const std::size_t colon = problem.find(": ");
  const std::size_t offset = error.byte == 0 ? 0 : error.byte - 1;
  return makeFailure(ErrorName::kParse,
                     position(fileName, text, offset) + ": not JSON: " + problem.substr(colon + 2));
}

// "FILE: PLACE: PROBLEM" for a value of the wrong shape, whose message starts with its JSON
// pointer in parentheses unless it is the whole text.
Failure formatFailure(const Json::exception& error, const std::string& fileName) {
  std::string problem = problemOf(error);
  const std::size_t close = problem.find(") ");
  const bool placed = problem.rfind("(/", 0) == 0 && close != std::string::npos;
  const std::string place = placed ? problem.substr(1, close - 1) : "the top level";
  if (placed) problem.erase(0, close + 2);
  return makeFailure(ErrorName::kFormat, fileName + ": " + place + ": " + problem);
}

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

bool isAbsolutePath(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 2 && path[1] == ':';  // a drive letter
}

// A relative device path names a stand-in node beside the topology file, so that a simulated
// hub can be opened wherever the file is run from.
std::string resolveDevicePath(const std::string& path, const std::string& topologyFile) {
  if (path.empty() || isAbsolutePath(path)) return path;
  const std::string::size_type slash = topologyFile.find_last_of("/\\");
  return slash == std::string::npos ? path : topologyFile.substr(0, slash + 1) + path;
}

// The member that makes entry a hub the file describes, by which the error names it; null for
// an entry that describes no hub.
const char* hubDescription(const DeviceEntry& entry) {
  if (entry.portStates) return "portStates";
  if (entry.hubStatus) return "hubStatus";
  return entry.hubChange ? "hubChange" : nullptr;
}

SimulatedHub simulatedHub(DeviceEntry& entry) {
  SimulatedHub hub;
  if (entry.portStates) hub.ports = std::move(*entry.portStates);
  hub.portCount = entry.record.nNumofPorts;
  hub.superSpeed = isSuperSpeed(entry.record.sSpeed);
  hub.status = entry.hubStatus.value_or(0);
  hub.change = entry.hubChange.value_or(0);
  return hub;
}

// The machine that document describes; json is the document's JSON, which the errors name.
Topology machineOf(TopologyDocument document, const Json& json, const std::string& fileName) {
  const Json& devices = json.at("devices");
  Topology topology;
  topology.getAllUSBDevicesFails = std::move(document.getAllUSBDevicesFails);
  topology.devices.reserve(document.devices.size());
  std::map<std::string, std::size_t> hubEntries;
  std::vector<std::size_t> undescribedHubs;
  for (std::size_t i = 0; i < document.devices.size(); ++i) {
    DeviceEntry& entry = document.devices[i];
    std::string& path = entry.record.sDevDescriptor;
    path = resolveDevicePath(path, fileName);
    if (entry.nextThrows) topology.nextThrows.emplace(i, std::move(*entry.nextThrows));
    if (const char* described = hubDescription(entry)) {
      if (path.empty()) {
        refuse(devices[i].at(described),
               std::string("a hub with ") +
                   (entry.portStates ? "port states" : "words of its own") +
                   " needs a devicePath, by which they are found");
      }
      const auto [known, added] = hubEntries.emplace(path, i);
      if (!added) {
        refuse(devices[i].at("devicePath"),
               "the same as that of /devices/" + std::to_string(known->second) +
                   "; hub ports are found by devicePath, so it must be unique");
      }
      topology.hubsByPath.emplace(path, simulatedHub(entry));
    } else if (DeviceType::isHub(entry.record.nDevType) && !path.empty()) {
      undescribedHubs.push_back(i);
    }
    topology.devices.push_back(std::move(entry.record));
  }
  // A hub the file says nothing of has every port free; the first of a path answers for it.
  for (const std::size_t i : undescribedHubs) {
    DeviceEntry entry;
    entry.record = topology.devices[i];
    topology.hubsByPath.try_emplace(entry.record.sDevDescriptor, simulatedHub(entry));
  }
  topology.events = scheduleEvents(document.events, topology.devices, json);
  return topology;
}

}  // namespace

Result<Topology> parseTopology(const std::string& text, const std::string& fileName) {
  if (isBlank(text)) {
    return makeFailure(ErrorName::kParse,
                       fileName +
                           ": the file is empty; a topology is a JSON object with a "
                           "\"devices\" list");
  }
  std::optional<JsonDocument> document;
  try {
    document.emplace(text);
  } catch (const TextRefusal& refusal) {
    const bool whole = refusal.offset == TextRefusal::kNoOffset;
    return makeFailure(refusal.name, (whole ? fileName : position(fileName, text, refusal.offset)) +
                                         ": " + refusal.problem);
  } catch (const Json::parse_error& error) {
    return syntaxFailure(error, text, fileName);
  } catch (const Json::exception& error) {
    // A number too large for a double, the only other failure of parsing, has no position.
    return makeFailure(ErrorName::kParse, fileName + ": not JSON: " + problemOf(error));
  }
  try {
    const Json& root = document->root();
    TopologyDocument topology = root.get<TopologyDocument>();
    return machineOf(std::move(topology), root, fileName);
  } catch (const Json::exception& error) {
    return formatFailure(error, fileName);
  }
}

}  // namespace Ludrel
}  // namespace KestraDiags
