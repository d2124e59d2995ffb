// The flags of hub and port status words, in both layouts a hub may use.
#include <gtest/gtest.h>

#include "StatusText.h"

using namespace KestraDiags::Ludrel;

namespace {

TEST(StatusWords, EachBitIsTheFlagItsLayoutPutsThere) {
  const struct {
    std::uint16_t status, change;
    bool superSpeed;
    const char* flags;
  } ports[] = {
      {0x050B, 0x0000, false, " connected enabled powered overCurrent"},
      {0x0107, 0x0000, false, " connected enabled powered suspended"},
      {0x0111, 0x0000, false, " connected powered reset"},
      {0x0200, 0x0000, false, ""},  // USB 2: bit 9 is a low-speed device, not power
      {0x0103, 0x0008, false, " connected enabled powered overCurrentChange"},
      {0x0103, 0x0017, false, " connected enabled powered"},  // other changes
      {0x0100, 0x0000, true, " ?suspended link 8"},           // SuperSpeed: bit 8 is link state
      {0x02A0, 0x0000, true, " powered ?suspended link 5"},
      {0x0267, 0x0000, true, " connected enabled powered ?suspended link 3"},  // no suspend bit
      {0x0088, 0x0008, true, " overCurrent overCurrentChange ?suspended link 4"},
  };
  for (const auto& c : ports) {
    EXPECT_EQ(statusText::ofPort(decodePortStatus(c.status, c.change, c.superSpeed)), c.flags)
        << statusText::hex(c.status) << "/" << statusText::hex(c.change) << " " << c.superSpeed;
  }
  const struct {
    std::uint16_t status, change;
    const char* flags;
  } hubs[] = {
      {0x0001, 0x0000, " localPowerLost"},
      {0x0002, 0x0002, " overCurrent overCurrentChange"},
      {0x0000, 0x0001, ""},  // a change of local power is no over-current change
  };
  for (const auto& c : hubs) {
    EXPECT_EQ(statusText::ofHub(decodeHubStatus(c.status, c.change)), c.flags)
        << statusText::hex(c.status) << "/" << statusText::hex(c.change);
  }
}

}  // namespace
