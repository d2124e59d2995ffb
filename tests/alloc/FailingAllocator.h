#pragma once

#include <cstddef>

// This executable's global operator new counts the allocations made while it is armed and makes
// one chosen allocation fail: the throwing forms throw std::bad_alloc, the nothrow forms return
// null. The module and its libraries allocate through it too.
namespace FailingAllocator {

// Counts from now on; the failAt-th allocation fails (0: none does).
void arm(std::size_t failAt);
// Stops counting; returns how many allocations were counted while armed.
std::size_t disarm();
// Whether the planned allocation was reached (and failed), and its size.
bool failed();
std::size_t failedSize();
// Blocks handed out and not yet given back, armed or not.
long liveBlocks();

}  // namespace FailingAllocator
