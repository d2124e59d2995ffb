#include "LastFailure.h"

#include <mutex>

namespace KestraDiags {
namespace Ludrel {
namespace {

std::mutex g_mutex;
std::optional<Failure> g_lastFailure;

}  // namespace

bool recordFailure(const Failure& failure) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const bool isNew = !g_lastFailure || !(*g_lastFailure == failure);
  g_lastFailure = failure;
  return isNew;
}

void clearLastFailure() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lastFailure.reset();
}

std::optional<Failure> lastFailure() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_lastFailure;
}

}  // namespace Ludrel
}  // namespace KestraDiags
