// The pieces of the real host that differ between POSIX and Windows, one file
// each (system_host_posix.cpp, system_host_win32.cpp); system_host.cpp puts
// them together into SystemHost().
#pragma once
#include <ctime>
#include <optional>
#include <string>

namespace icbus::tool::system {

// The first stop signal received (see Host::stop_signal); asking starts
// catching them.
int StopSignal();
// Sleeps `ms` milliseconds in short slices, ending early on a stop signal.
void Pause(int ms);
std::tm Now();
int UtcOffsetMinutes();
std::optional<int> PortForDevice(const std::string& device);
bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

}  // namespace icbus::tool::system
