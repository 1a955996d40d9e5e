// Processes: own id and executable, liveness of another process, starting, awaiting and killing.
// The Windows vocabulary of the driver (process id, "is the server still there") on POSIX.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

uint32_t GetCurrentProcessId();

// False for a process that does not exist and for a child of ours that has exited (it is
// reaped here, so a zombie never counts as alive).
bool IsProcessAlive(uint32_t pid);

std::string GetExecutablePath();
// The directory of the executable, with a trailing '/'.
std::string GetExecutableDirectory();

// Starts program with args (not including the program itself). The child inherits no
// descriptors of ours beyond 0..2. False when the program cannot be started.
bool StartProcess(const std::string& program, const std::vector<std::string>& args, uint32_t* pid);

// Waits at most timeoutMs for a child of ours to exit; true with its exit code (128 + signal
// when killed by a signal) once it has.
bool WaitProcess(uint32_t pid, uint32_t timeoutMs, int* exitCode);

// SIGKILL; true when the signal was delivered.
bool KillProcess(uint32_t pid);

} // namespace platform
