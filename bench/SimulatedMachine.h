#pragma once

#include <string>

// A machine of `devices` USB devices (a multiple of 10) for the USB library's simulated backend,
// served from memory once the library has parsed it. Every block of ten records is the mix of a
// server: a root hub and an external hub with busy ports, five plain devices, a floppy drive,
// and two devices the module hides (a remote-access controller's composite device and a virtual
// one).
std::string simulatedMachineTopology(int devices);

// Writes the topology into `dir` and points the USB library at it; returns the file's path.
std::string useSimulatedMachine(const std::string& dir, int devices);
