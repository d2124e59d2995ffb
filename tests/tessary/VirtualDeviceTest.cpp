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
      const int expected = step + 1 == order.size() ? 1 : 0;
      EXPECT_EQ(deletions, expected)
          << "after destroying wrapper " << order[step] << " at step " << step;
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST(VirtualDeviceTest, DeviceSurvivesReallocationAndErasureOfAVectorOfWrappers) {
  int deletions = 0;
  auto* device = new TestDevice(&deletions);
  {
    std::vector<VirtualDevice> wrappers;
    {
      const VirtualDevice first(device);
      for (int i = 0; i < 100; ++i) {
        wrappers.push_back(first);
      }
    }
    // Erasing shifts the later elements down by assignment.
    wrappers.erase(wrappers.begin() + 10, wrappers.begin() + 60);
    EXPECT_EQ(deletions, 0);
    ASSERT_EQ(wrappers.size(), 50u);
    for (const VirtualDevice& wrapper : wrappers) {
      EXPECT_EQ(wrapper.getDevice(), device);
    }
  }
  EXPECT_EQ(deletions, 1);
}

TEST(VirtualDeviceTest, AssignmentReleasesTheOldDeviceAndSharesTheNewOne) {
  int oldDeletions = 0;
  int newDeletions = 0;
  {
    VirtualDevice target(new TestDevice(&oldDeletions));
    auto* shared = new TestDevice(&newDeletions);
    {
      const VirtualDevice source(shared);
      target = source;
      EXPECT_EQ(oldDeletions, 1);
      EXPECT_EQ(target.getDevice(), shared);
    }
    EXPECT_EQ(newDeletions, 0);
  }
  EXPECT_EQ(oldDeletions, 1);
  EXPECT_EQ(newDeletions, 1);
}

TEST(VirtualDeviceTest, SelfAssignmentOfTheOnlyWrapperKeepsTheDevice) {
  int deletions = 0;
  auto* device = new TestDevice(&deletions);
  {
    VirtualDevice only(device);
    const VirtualDevice& alias = only;
    only = alias;
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(only.getDevice(), device);
  }
  EXPECT_EQ(deletions, 1);
}

TEST(VirtualDeviceTest, AssignmentBetweenWrappersOfOneDeviceKeepsItsCount) {
  int deletions = 0;
  auto* device = new TestDevice(&deletions);
  std::optional<VirtualDevice> first(device);
  std::optional<VirtualDevice> second(*first);
  *first = *second;
  *second = *first;
  first.reset();
  EXPECT_EQ(deletions, 0);
  EXPECT_EQ(second->getDevice(), device);
  second.reset();
  EXPECT_EQ(deletions, 1);
}

TEST(VirtualDeviceTest, NullDeviceCanBeWrappedCopiedAndAssigned) {
  int deletions = 0;
  const VirtualDevice empty(nullptr);
  const VirtualDevice copy(empty);
  EXPECT_EQ(copy.getDevice(), nullptr);

  VirtualDevice holder(new TestDevice(&deletions));
  holder = empty;
  EXPECT_EQ(deletions, 1);
  EXPECT_EQ(holder.getDevice(), nullptr);

  auto* device = new TestDevice(&deletions);
  VirtualDevice emptyTarget(nullptr);
  {
    const VirtualDevice source(device);
    emptyTarget = source;
  }
  EXPECT_EQ(deletions, 1);
  EXPECT_EQ(emptyTarget.getDevice(), device);
}

}  // namespace
}  // namespace TessaryTests
}  // namespace KestraDiags
