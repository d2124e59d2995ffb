#include "tessary/VirtualDevice.h"

#include <gtest/gtest.h>

#include <optional>

#include "TestDevice.h"

namespace KestraDiags {
namespace TessaryTests {
namespace {

using DeviceEnum::VirtualDevice;

// Every enumeration constructs, copies and destroys wrappers; only a host assigns them.
TEST(VirtualDeviceTest, AssignmentSharesTheNewDeviceBeforeReleasingTheOld) {
  int deletions = 0;
  int replacedDeletions = 0;
  auto* device = new TestDevice(&deletions);
  std::optional<VirtualDevice> first(device);
  const VirtualDevice& alias = *first;
  *first = alias;  // the only wrapper, assigned to itself
  // Wrapping the same pointer again joins the existing share instead of starting a new one.
  std::optional<VirtualDevice> second(device);
  *second = *first;
  first.reset();
  EXPECT_EQ(deletions, 0);
  {
    VirtualDevice target(new TestDevice(&replacedDeletions));
    target = *second;
    EXPECT_EQ(replacedDeletions, 1);
    *second = VirtualDevice(nullptr);
    EXPECT_EQ(second->getDevice(), nullptr);
    EXPECT_EQ(target.getDevice(), device);
    EXPECT_EQ(deletions, 0);
  }
  EXPECT_EQ(deletions, 1);
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
