#include "simulated/TopologyParser.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <map>
#include <optional>

#include "simulated/DeviceFields.h"
#include "simulated/JsonDocument.h"
#include "simulated/JsonValues.h"

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

Failure syntaxFailure(const Json::parse_error& error, const std::string& text,
                      const std::string& fileName) {
  // The parser's message reads "[json.exception.parse_error.N] parse error at line L, column C:
  // what went wrong"; the position is computed here again, from the byte it names (from 1).
  const std::string what = error.what();
  const std::size_t colon = what.find(": ");
  const std::string problem = colon == std::string::npos ? what : what.substr(colon + 2);
  const std::size_t offset = error.byte == 0 ? 0 : error.byte - 1;
  return makeFailure(ErrorName::kParse,
                     position(fileName, text, offset) + ": not JSON: " + problem);
}

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

struct TextShape {
  bool tooDeep = false;
  std::size_t objects = 0;
};

// How deep lists and objects nest (the scan stops past kMaxTopologyDepth) and how many objects
// there are. Brackets inside texts do not count; a text that is not JSON is left for the parser.
TextShape shapeOf(const std::string& text) {
  TextShape shape;
  int depth = 0;
  bool inText = false;
  bool escaped = false;
  for (const char c : text) {
    if (inText) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inText = false;
      }
    } else if (c == '"') {
      inText = true;
    } else if (c == '[' || c == '{') {
      shape.objects += c == '{';
      if (++depth > kMaxTopologyDepth) {
        shape.tooDeep = true;
        return shape;
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return shape;
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

Topology readTopology(const Json& root, const std::string& fileName) {
  requireObject(root, "", {"devices", "getAllUSBDevicesFails", "comment"});
  Topology topology;
  if (!root.contains("devices")) {
    throw FormatError{"/devices", "missing: a topology lists its devices under \"devices\""};
  }
  if (root.contains("getAllUSBDevicesFails")) {
    topology.getAllUSBDevicesFails =
        readText(root["getAllUSBDevicesFails"], "/getAllUSBDevicesFails");
  }
  const Json::array_t& devices = readList(root["devices"], "/devices");
  topology.devices.reserve(devices.size());
  std::map<std::string, std::string> hubPlaces;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const std::string place = elementPlace("/devices", i);
    DeviceEntry entry = readDeviceEntry(devices[i], place);
    entry.record.sDevDescriptor = resolveDevicePath(entry.record.sDevDescriptor, fileName);
    if (entry.nextThrows) topology.nextThrows.emplace(i, std::move(*entry.nextThrows));
    if (entry.ports) {
      const std::string& path = entry.record.sDevDescriptor;
      if (path.empty()) {
        throw FormatError{memberPlace(place, "portStates"),
                          "a hub with port states needs a devicePath, by which they are found"};
      }
      const auto [known, added] = hubPlaces.emplace(path, place);
      if (!added) {
        throw FormatError{memberPlace(place, "devicePath"),
                          "the same as that of " + known->second +
                              "; hub ports are found by devicePath, so it must be unique"};
      }
      topology.hubsByPath.emplace(path, std::move(*entry.ports));
    }
    topology.devices.push_back(std::move(entry.record));
  }
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
  const TextShape shape = shapeOf(text);
  if (shape.tooDeep) {
    return makeFailure(ErrorName::kParse, fileName + ": nested deeper than " +
                                              std::to_string(kMaxTopologyDepth) + " levels");
  }
  if (shape.objects > kMaxTopologyObjects) {
    return makeFailure(ErrorName::kTooBig, fileName + ": " + std::to_string(shape.objects) +
                                               " objects, more than the " +
                                               std::to_string(kMaxTopologyObjects) +
                                               " a topology may hold");
  }
  std::optional<JsonDocument> document;
  try {
    document.emplace(text);
  } catch (const Json::parse_error& error) {
    return syntaxFailure(error, text, fileName);
  } catch (const Json::exception& error) {
    // A number too large for a double, the only other failure of parsing, has no position.
    const std::string what = error.what();
    return makeFailure(ErrorName::kParse,
                       fileName + ": not JSON: " + what.substr(what.find(']') + 2));
  }
  try {
    return readTopology(document->root(), fileName);
  } catch (const FormatError& error) {
    const std::string place = error.place.empty() ? "the top level" : error.place;
    return makeFailure(ErrorName::kFormat, fileName + ": " + place + ": " + error.problem);
  }
}

}  // namespace Ludrel
}  // namespace KestraDiags
