#pragma once

#include <string>
#include <vector>

// A program run to its end with its output captured.
struct ProgramRun {
  int exitStatus = -1;  // 128 + the signal for one killed by a signal, -1 when it hung
  std::string out;
  std::string err;
};

// Runs the program (argv[0], a path) in workDir with this process's environment less
// LUDREL_TOPOLOGY, so that the USB library uses the machine's backend; killed after a minute.
ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& workDir);

// halvex-host of this build, without trace logs.
ProgramRun runHost(const std::vector<std::string>& arguments, const std::string& workDir);
