// Processes on POSIX: fork/exec with every inherited descriptor closed, liveness that reaps
// our own exited children, and exit codes remembered for a later WaitProcess.
#include "platform/Process.h"

#include "platform/Ticks.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// Exit codes of children reaped by IsProcessAlive, until WaitProcess asks for them or the pid
// is reused by a new child.
std::mutex reapedMutex;
std::map<pid_t, int> reaped;

int ExitCodeOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// Reaps pid when it is an exited child of ours. Returns 1 reaped (exit code recorded),
// 0 a running child, -1 not our child.
int ReapChild(pid_t pid) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid) {
        std::lock_guard<std::mutex> lock(reapedMutex);
        reaped[pid] = ExitCodeOf(status);
        return 1;
    }
    return r == 0 ? 0 : -1;
}

bool TakeReaped(pid_t pid, int* exitCode) {
    std::lock_guard<std::mutex> lock(reapedMutex);
    auto it = reaped.find(pid);
    if (it == reaped.end())
        return false;
    if (exitCode)
        *exitCode = it->second;
    reaped.erase(it);
    return true;
}

bool HasReaped(pid_t pid) {
    std::lock_guard<std::mutex> lock(reapedMutex);
    return reaped.count(pid) != 0;
}

// The state letter of /proc/<pid>/stat: a zombie (Z) or dead (X) process is not running.
bool IsZombie(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[512];
    ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (n <= 0)
        return false;
    buffer[n] = '\0';
    // The command name may contain ')' itself: the state follows the last one.
    char* close = nullptr;
    for (char* p = buffer; *p; ++p)
        if (*p == ')')
            close = p;
    if (!close || close[1] != ' ')
        return false;
    return close[2] == 'Z' || close[2] == 'X';
}

bool ValidPid(uint32_t pid) {
    return pid != 0 && pid <= uint32_t(INT_MAX);
}

class TSystemProcesses : public TProcesses {
public:
    bool IsAlive(uint32_t pid) override {
        if (!ValidPid(pid))
            return false;
        pid_t p = pid_t(pid);
        int child = ReapChild(p);
        if (child >= 0)
            return child == 0;
        if (HasReaped(p))
            return false;
        if (kill(p, 0) != 0 && errno != EPERM)
            return false;
        return !IsZombie(p);
    }

    bool Start(const std::string& program, const std::vector<std::string>& args,
               uint32_t* pid) override {
        // Everything the child needs is prepared before fork: after it only async-signal-safe
        // calls are allowed, as other threads may hold locks.
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        // The child reports a failed exec through this pipe; success closes it silently.
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0)
            return false;
        sigset_t all, old;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &old);
        pid_t child = fork();
        if (child == 0) {
            for (int sig = 1; sig < NSIG; ++sig)
                signal(sig, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            int keep = report[1];
            if (keep != 3) {
                dup3(keep, 3, O_CLOEXEC);
                keep = 3;
            }
            syscall(SYS_close_range, 4u, ~0u, 0u);
            execv(program.c_str(), argv.data());
            int error = errno;
            ssize_t ignored = write(keep, &error, sizeof error);
            (void)ignored;
            _exit(127);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        close(report[1]);
        if (child < 0) {
            close(report[0]);
            return false;
        }
        int error = 0;
        ssize_t n;
        do {
            n = read(report[0], &error, sizeof error);
        } while (n < 0 && errno == EINTR);
        close(report[0]);
        if (n > 0) {
            int status;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(reapedMutex);
            reaped.erase(child);
        }
        if (pid)
            *pid = uint32_t(child);
        return true;
    }

    bool Wait(uint32_t pid, uint32_t timeoutMs, int* exitCode) override {
        if (!ValidPid(pid))
            return false;
        pid_t p = pid_t(pid);
        TClock& clock = SystemClock(); // real time bounds the wait, whatever clock tests install
        uint32_t start = clock.TickCount();
        uint32_t pause = 1;
        for (;;) {
            int child = ReapChild(p);
            if (child == 1 || (child < 0 && HasReaped(p)))
                return TakeReaped(p, exitCode);
            if (child < 0 && !IsAlive(pid)) {
                if (exitCode)
                    *exitCode = -1;
                return true;
            }
            uint32_t elapsed = clock.TickCount() - start;
            if (elapsed >= timeoutMs)
                return false;
            uint32_t left = timeoutMs - elapsed;
            clock.Sleep(pause < left ? pause : left);
            if (pause < 20)
                pause *= 2;
        }
    }

    bool Kill(uint32_t pid) override { return ValidPid(pid) && kill(pid_t(pid), SIGKILL) == 0; }
};

TSystemProcesses systemProcesses;
std::atomic<TProcesses*> currentProcesses{nullptr};

TProcesses& Processes() {
    TProcesses* processes = currentProcesses.load(std::memory_order_acquire);
    return processes ? *processes : systemProcesses;
}

} // namespace

TProcesses& SystemProcesses() {
    return systemProcesses;
}

void SetProcesses(TProcesses* processes) {
    currentProcesses.store(processes, std::memory_order_release);
}

uint32_t GetCurrentProcessId() {
    return uint32_t(getpid());
}

bool IsProcessAlive(uint32_t pid) {
    return Processes().IsAlive(pid);
}

bool StartProcess(const std::string& program, const std::vector<std::string>& args, uint32_t* pid) {
    return Processes().Start(program, args, pid);
}

bool WaitProcess(uint32_t pid, uint32_t timeoutMs, int* exitCode) {
    return Processes().Wait(pid, timeoutMs, exitCode);
}

bool KillProcess(uint32_t pid) {
    return Processes().Kill(pid);
}

std::string GetExecutablePath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, size_t(n));
}

std::string GetExecutableDirectory() {
    std::string path = GetExecutablePath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace platform
