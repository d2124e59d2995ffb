// The flags of hub and port status words, in both layouts a hub may use: each line of
// status-words.txt (layout, status word, change word, why), its flags whole in
// tests/expected/ludrel-status-words/.
#include <gtest/gtest.h>

#include <sstream>

#include "../support/ExpectedFiles.h"
#include "StatusText.h"

using namespace KestraDiags::Ludrel;

namespace {

TEST(StatusWords, EachBitIsTheFlagItsLayoutPutsThere) {
  std::string flags;
  for (const std::string& line : caseLines("tests/ludrel/status-words.txt")) {
    std::istringstream fields(line);
    std::string layout;
    std::uint16_t word = 0, changes = 0;
    fields >> layout >> std::hex >> word >> changes;
    flags +=
        layout + " " + statusText::hex(word) + "/" + statusText::hex(changes) +
        (layout == "hub"
             ? statusText::flags(decodeHubStatus(word, changes))
             : ":" + statusText::ofPort(decodePortStatus(word, changes, layout == "superspeed"))) +
        "\n";
  }
  expectStoredFiles("ludrel-status-words", {{"flags.txt", flags}});
}

}  // namespace
