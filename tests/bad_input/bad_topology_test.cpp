// Topology files that the USB library refuses, seen from the host: status 3, one line on stderr
// that names the file and what is wrong, nothing on stdout but the JSON document that carries
// the library's error.
#include <unistd.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "HostTest.h"

namespace {

using nlohmann::json;

struct BadTopology {
  const char* what;
  std::function<std::string(const TempDir&)> write;  // returns the file's path
  const char* error;                                 // the USB library's error name
  const char* reason;                                // part of the one line on stderr
};

std::function<std::string(const TempDir&)> bytes(std::string content) {
  return [content](const TempDir& dir) { return dir.write("topology.json", content); };
}

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// Larger than the documented 16 MiB; sparse, since the size is refused before anything is read.
std::string writeHuge(const TempDir& dir) {
  const std::string path = dir.write("topology.json", R"({"devices": []})");
  if (::truncate(path.c_str(), 16 * 1024 * 1024 + 1) != 0) throw std::runtime_error("truncate");
  return path;
}

const BadTopology kBadTopologies[] = {
    {"empty", bytes(""), "LUDREL_ERROR_PARSE", "the file is empty"},
    {"truncated", bytes(R"({"devices": [{"name": "Keyboard")"), "LUDREL_ERROR_PARSE",
     "unexpected end of input"},
    {"nested far too deep", bytes(nested(100000)), "LUDREL_ERROR_PARSE",
     "nested deeper than 32 levels"},
    {"nested too deep inside a device", bytes(R"({"devices": [{"comment": )" + nested(40) + "}]}"),
     "LUDREL_ERROR_PARSE", "nested deeper than 32 levels"},
    {"over the size limit", writeHuge, "LUDREL_ERROR_TOO_BIG", "larger than 16 MiB"},
    {"a list at the top", bytes("[]"), "LUDREL_ERROR_FORMAT", "expected an object"},
    {"text for a number", bytes(R"({"devices": [{"status": "ok"}]})"), "LUDREL_ERROR_FORMAT",
     "/devices/0/status: expected a whole number"},
    {"number for a text", bytes(R"({"devices": [{"name": 7}]})"), "LUDREL_ERROR_FORMAT",
     "/devices/0/name"},
    {"raw NUL in a text", bytes(std::string(R"({"devices": [{"name": "a)") + '\0' + "b\"}]}"),
     "LUDREL_ERROR_PARSE", "U+0000"},
    {"escaped NUL in a text", bytes(R"({"devices": [{"name": "a\u0000b"}]})"),
     "LUDREL_ERROR_FORMAT", "NUL character"},
    {"invalid UTF-8 in a text", bytes("{\"devices\": [{\"name\": \"\xC3(\"}]}"),
     "LUDREL_ERROR_PARSE", "ill-formed UTF-8"},
    {"invalid UTF-8 in a member name", bytes("{\"devices\": [{\"na\xFFme\": 1}]}"),
     "LUDREL_ERROR_PARSE", "ill-formed UTF-8"},
    {"lone surrogate", bytes(R"({"devices": [{"name": "\ud800"}]})"), "LUDREL_ERROR_PARSE",
     "surrogate"},
    {"USB ID out of range", bytes(R"({"devices": [{"vendor": "0x10000"}]})"), "LUDREL_ERROR_FORMAT",
     "out of range"},
    {"port count beyond 32 bits", bytes(R"({"devices": [{"ports": 4294967296}]})"),
     "LUDREL_ERROR_FORMAT", "out of range"},
    {"number beyond a double", bytes(R"({"devices": [{"ports": 1e400}]})"), "LUDREL_ERROR_PARSE",
     "number overflow"},
};

class BadTopologyTest : public HostTest {
 protected:
  HostRun run(const std::string& topologyFile, const std::vector<std::string>& command) const {
    std::vector<std::string> arguments = {"--no-log", "--topology", topologyFile};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return host(arguments);
  }
};

TEST_F(BadTopologyTest, EveryCommandRefusesWithOneLineAndStatus3) {
  for (const BadTopology& bad : kBadTopologies) {
    SCOPED_TRACE(bad.what);
    const std::string file = bad.write(dir);
    const std::string line =
        "halvex-host: cannot read the USB device list (simulated backend): " + file;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list"}, {"list", "--tree"}, {"diagnose"}}) {
      SCOPED_TRACE(command.front());
      const HostRun result = run(file, command);
      EXPECT_EQ(result.exitStatus, 3);
      EXPECT_EQ(result.out, "");
      ASSERT_EQ(linesOf(result.err).size(), 1u) << result.err;
      EXPECT_EQ(result.err.rfind(line, 0), 0u) << result.err;
      EXPECT_NE(result.err.find(bad.reason), std::string::npos) << result.err;
    }
  }
}

TEST_F(BadTopologyTest, JsonDocumentsCarryTheLibrarysError) {
  for (const BadTopology& bad : kBadTopologies) {
    SCOPED_TRACE(bad.what);
    const std::string file = bad.write(dir);
    for (const char* command : {"list", "diagnose"}) {
      SCOPED_TRACE(command);
      const HostRun result = run(file, {command, "--json"});
      EXPECT_EQ(result.exitStatus, 3);
      EXPECT_EQ(linesOf(result.err).size(), 1u) << result.err;
      const json document = json::parse(result.out);
      EXPECT_EQ(document["error"]["name"], bad.error);
      EXPECT_NE(document["error"]["message"].get<std::string>().find(bad.reason),
                std::string::npos);
    }
  }
}

}  // namespace
