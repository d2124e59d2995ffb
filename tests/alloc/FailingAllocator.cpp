#include "FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace FailingAllocator {
namespace {

// Plain variables: the module takes no threads of its own and the tests call it from one.
bool g_armed = false;
Plan g_plan;
bool g_counting = false;
std::size_t g_count = 0;
bool g_failed = false;
std::size_t g_failedSize = 0;
long g_liveBlocks = 0;

// True when this allocation is the one the plan makes fail.
bool shouldFail(std::size_t size) {
  if (!g_armed) return false;
  if (!g_counting) {
    if (size == g_plan.afterSize) g_counting = true;
    return false;
  }
  ++g_count;
  if (g_count != g_plan.failAt) return false;
  g_failed = true;
  g_failedSize = size;
  return true;
}

void* allocate(std::size_t size, std::size_t alignment) noexcept {
  void* block = nullptr;
  if (shouldFail(size) || ::posix_memalign(&block, alignment, size == 0 ? 1 : size) != 0) {
    return nullptr;
  }
  ++g_liveBlocks;
  return block;
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
  void* block = allocate(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void release(void* block) noexcept {
  if (block == nullptr) return;
  --g_liveBlocks;
  std::free(block);
}

}  // namespace

void arm(Plan plan) {
  g_plan = plan;
  g_counting = plan.afterSize == 0;
  g_count = 0;
  g_failed = false;
  g_failedSize = 0;
  g_armed = true;
}

std::size_t disarm() {
  g_armed = false;
  return g_count;
}

bool failed() { return g_failed; }
std::size_t failedSize() { return g_failedSize; }
long liveBlocks() { return g_liveBlocks; }

}  // namespace FailingAllocator

using FailingAllocator::allocate;
using FailingAllocator::allocateOrThrow;
using FailingAllocator::release;

constexpr std::size_t kDefaultAlignment = alignof(std::max_align_t);

void* operator new(std::size_t size) { return allocateOrThrow(size, kDefaultAlignment); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, kDefaultAlignment); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kDefaultAlignment);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, kDefaultAlignment);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  release(block);
}
