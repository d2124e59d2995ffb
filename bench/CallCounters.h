#pragma once

#include <cstddef>
#include <string>
#include <vector>

// This benchmark program stands in for write(2), writev(2), time() and operator new of the whole
// process, the loaded module's included, so that a benchmark can count what the code under test
// does: clock reads, heap allocations, and the write calls to one file with their bytes.
namespace CallCounters {

std::size_t clockReads();
std::size_t allocations();

// From now on keeps the bytes of every write call to `fd`, one entry per call.
void startRecording(int fd);
std::vector<std::string> stopRecording();

}  // namespace CallCounters
