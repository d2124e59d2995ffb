#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits until done() holds, with a deadline no healthy run comes near.
inline bool eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}
