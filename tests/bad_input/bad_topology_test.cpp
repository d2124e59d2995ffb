// Topology files that the USB library refuses, seen from the host: status 3, one line on stderr
// that names the file and what is wrong, nothing on stdout but the JSON document that carries
// the library's error. The library's own tests hold each refusal's exact message; here a refusal
// of each kind, and those the library's tests lack, go through every command.
#include <filesystem>

#include <nlohmann/json.hpp>

#include "HostTest.h"

namespace {

using BadTopologyTest = HostTest;

TEST_F(BadTopologyTest, EveryCommandRefusesABadTopologyWithOneLineAndStatus3) {
  const struct {
    const char* what;
    std::string content;
    const char* error;        // the USB library's error name
    const char* reason;       // part of the one line on stderr
    std::uintmax_t size = 0;  // grown to this, sparse: the size is refused before any reading
  } badTopologies[] = {
      {"truncated", R"({"devices": [{"name": "Keyboard")", "LUDREL_ERROR_PARSE",
       "unexpected end of input"},
      {"over the documented 16 MiB", R"({"devices": []})", "LUDREL_ERROR_TOO_BIG",
       "larger than 16 MiB", 16 * 1024 * 1024 + 1},
      {"a list at the top", "[]", "LUDREL_ERROR_FORMAT", "expected an object"},
      {"invalid UTF-8 in a member name", "{\"devices\": [{\"na\xFFme\": 1}]}", "LUDREL_ERROR_PARSE",
       "ill-formed UTF-8"},
      {"lone surrogate", R"({"devices": [{"name": "\ud800"}]})", "LUDREL_ERROR_PARSE", "surrogate"},
  };
  const std::string refusal = "halvex-host: cannot read the USB device list (simulated backend): ";
  const std::vector<std::vector<std::string>> commands = {
      {"list"}, {"list", "--tree"}, {"diagnose"}, {"list", "--json"}, {"diagnose", "--json"}};
  for (const auto& bad : badTopologies) {
    SCOPED_TRACE(bad.what);
    const std::string file = dir.write("topology.json", bad.content);
    if (bad.size > 0) std::filesystem::resize_file(file, bad.size);
    for (const std::vector<std::string>& command : commands) {
      SCOPED_TRACE(::testing::PrintToString(command));
      const HostRun run = host(on(file, command));
      EXPECT_EQ(run.exitStatus, 3);
      EXPECT_TRUE(matches(run.err, refusal + file + "*" + bad.reason + "*\n")) << run.err;
      if (command.back() != "--json") {
        EXPECT_EQ(run.out, "");
        continue;
      }
      const nlohmann::json document = nlohmann::json::parse(run.out);
      EXPECT_EQ(document["error"]["name"], bad.error);
      EXPECT_NE(document["error"]["message"].get<std::string>().find(bad.reason),
                std::string::npos);
    }
  }
}

}  // namespace
