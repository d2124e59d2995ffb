#pragma once

#include <cstddef>

// This executable's global operator new (every form) counts the allocations made while it is
// armed and makes one chosen allocation fail: the throwing forms throw std::bad_alloc, the
// nothrow forms return null. The module and its libraries allocate through it too.
namespace FailingAllocator {

struct Plan {
  // The allocation that fails, counted from 1 among those that match; 0: none fails.
  std::size_t failAt = 0;
  // When not 0, only allocations made after the first one of this many bytes are counted, so
  // that a plan can name "the allocation right after the result object".
  std::size_t afterSize = 0;
};

// Counts from now on and fails as the plan says.
void arm(Plan plan);
// Stops counting; returns how many allocations were counted while armed.
std::size_t disarm();
// Whether the planned allocation was reached (and failed), and its size.
bool failed();
std::size_t failedSize();
// Blocks handed out and not yet given back, armed or not.
long liveBlocks();

// Arms for its lifetime.
class Armed {
 public:
  explicit Armed(Plan plan) { arm(plan); }
  ~Armed() { disarm(); }
  Armed(const Armed&) = delete;
  Armed& operator=(const Armed&) = delete;
};

}  // namespace FailingAllocator
