#include "FailingAllocator.h"

#include <cstdlib>
#include <new>

namespace FailingAllocator {
namespace {

// Plain variables: the module takes no threads of its own and the tests call it from one.
bool g_armed = false;
std::size_t g_failAt = 0;
std::size_t g_count = 0;
std::size_t g_failedSize = 0;
long g_liveBlocks = 0;

void* allocate(std::size_t size) noexcept {
  if (g_armed && ++g_count == g_failAt) {
    g_failedSize = size;
    return nullptr;
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) ++g_liveBlocks;
  return block;
}

void* allocateOrThrow(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void release(void* block) noexcept {
  if (block == nullptr) return;
  --g_liveBlocks;
  std::free(block);
}

}  // namespace

void arm(std::size_t failAt) {
  g_failAt = failAt;
  g_count = 0;
  g_failedSize = 0;
  g_armed = true;
}

std::size_t disarm() {
  g_armed = false;
  return g_count;
}

bool failed() { return g_failAt != 0 && g_count >= g_failAt; }
std::size_t failedSize() { return g_failedSize; }
long liveBlocks() { return g_liveBlocks; }

}  // namespace FailingAllocator

using FailingAllocator::allocate;
using FailingAllocator::allocateOrThrow;
using FailingAllocator::release;

// Every form but the aligned ones, which nothing here uses and which pair only with each other:
// a form left to the sanitizers' runtime would free blocks of this allocator, or this one theirs.
void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
