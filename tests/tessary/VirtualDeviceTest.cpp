#include "tessary/VirtualDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "TestDevice.h"

namespace KestraDiags {
namespace TessaryTests {
namespace {

using DeviceEnum::VirtualDevice;

TEST(VirtualDeviceTest, LastOfThreeWrappersDeletesTheDeviceInEveryDestructionOrder) {
  std::array<int, 3> order{0, 1, 2};
  do {
    int deletions = 0;
    auto* device = new TestDevice(&deletions);
    std::array<std::optional<VirtualDevice>, 3> wrappers;
    wrappers[0].emplace(device);
    wrappers[1].emplace(*wrappers[0]);
    // Wrapping the same pointer again joins the existing share instead of starting a new one.
    wrappers[2].emplace(device);
    for (std::size_t step = 0; step < order.size(); ++step) {
      wrappers[order[step]].reset();
      EXPECT_EQ(deletions, step + 1 == order.size() ? 1 : 0)
          << "after destroying wrapper " << order[step] << " at step " << step;
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(VirtualDeviceTest, DeviceSurvivesReallocationAndErasureOfAVectorOfWrappers) {
  int deletions = 0;
  auto* device = new TestDevice(&deletions);
  {
    std::vector<VirtualDevice> wrappers;
    for (int i = 0; i < 100; ++i) wrappers.push_back(VirtualDevice(device));
    // Erasing shifts the later elements down by assignment.
    wrappers.erase(wrappers.begin() + 10, wrappers.begin() + 60);
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(std::count_if(wrappers.begin(), wrappers.end(),
                            [&](const VirtualDevice& w) { return w.getDevice() == device; }),
              50);
  }
  EXPECT_EQ(deletions, 1);
}

TEST(VirtualDeviceTest, AssignmentReleasesTheOldDeviceAndSharesTheNewOneOrNone) {
  int oldDeletions = 0;
  int newDeletions = 0;
  auto* shared = new TestDevice(&newDeletions);
  {
    VirtualDevice target(new TestDevice(&oldDeletions));
    const VirtualDevice none(nullptr);
    target = VirtualDevice(none);
    EXPECT_EQ(oldDeletions, 1);
    EXPECT_EQ(target.getDevice(), nullptr);
    {
      const VirtualDevice source(shared);
      target = source;
      EXPECT_EQ(target.getDevice(), shared);
    }
    EXPECT_EQ(newDeletions, 0);
  }
  EXPECT_EQ(oldDeletions, 1);
  EXPECT_EQ(newDeletions, 1);
}

TEST(VirtualDeviceTest, AssigningAWrapperOfTheSameDeviceKeepsIt) {
  int deletions = 0;
  auto* device = new TestDevice(&deletions);
  std::optional<VirtualDevice> first(device);
  const VirtualDevice& alias = *first;
  *first = alias;  // the only wrapper, assigned to itself
  EXPECT_EQ(deletions, 0);
  std::optional<VirtualDevice> second(*first);
  *first = *second;
  *second = *first;
  first.reset();
  EXPECT_EQ(deletions, 0);
  EXPECT_EQ(second->getDevice(), device);
  second.reset();
  EXPECT_EQ(deletions, 1);
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
