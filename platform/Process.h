// Processes: own id and executable, liveness of another process, starting, awaiting and killing.
// The Windows vocabulary of the driver (process id, "is the server still there") on POSIX.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

uint32_t GetCurrentProcessId();

// False for a process that does not exist, for a zombie, and for a child of ours that has
// exited (it is reaped here; WaitProcess still reports its exit code afterwards).
bool IsProcessAlive(uint32_t pid);

std::string GetExecutablePath();
// The directory of the executable, with a trailing '/'.
std::string GetExecutableDirectory();

// Starts program with args (not including the program itself). The child inherits no
// descriptors of ours beyond 0..2. False when the program cannot be executed.
bool StartProcess(const std::string& program, const std::vector<std::string>& args, uint32_t* pid);

// Waits at most timeoutMs for the process to end; true once it has. For a child of ours
// exitCode receives its exit status (128 + signal number when a signal ended it); for another
// process -1.
bool WaitProcess(uint32_t pid, uint32_t timeoutMs, int* exitCode);

// Ends the process at once (SIGKILL); true when the signal was delivered.
bool KillProcess(uint32_t pid);

// The operations above go through this narrow interface, so a test can stand in for the
// processes another component starts and watches.
class TProcesses {
public:
    virtual ~TProcesses() = default;
    virtual bool IsAlive(uint32_t pid) = 0;
    virtual bool Start(const std::string& program, const std::vector<std::string>& args,
                       uint32_t* pid) = 0;
    virtual bool Wait(uint32_t pid, uint32_t timeoutMs, int* exitCode) = 0;
    virtual bool Kill(uint32_t pid) = 0;
};

TProcesses& SystemProcesses();

// Installs a replacement for the whole process (nullptr restores the system's). The caller
// keeps ownership and keeps it alive until it is replaced.
void SetProcesses(TProcesses* processes);

} // namespace platform
