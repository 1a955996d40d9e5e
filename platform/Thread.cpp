// Threads: std::thread started on Resume, an eventfd that says "finished" to waits that keep
// pumping the caller's window messages.
#include "platform/Thread.h"

#include "platform/ThreadQueue.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace platform {

TThread::TThread() {
    FDoneFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TThread::~TThread() {
    Terminate();
    if (FThread.joinable())
        FThread.join();
    if (FDoneFd >= 0)
        close(FDoneFd);
}

bool TThread::Resume() {
    if (FStarted)
        return true;
    try {
        FThread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    FStarted = true;
    return true;
}

void TThread::Run() {
    Execute();
    // The thread's windows go before it counts as finished, so a waiter never sees a finished
    // thread whose windows still take messages.
    ReleaseCurrentThreadQueue();
    FFinished.store(true);
    if (FDoneFd >= 0) {
        uint64_t one = 1;
        ssize_t ignored = write(FDoneFd, &one, sizeof one);
        (void)ignored;
    }
}

bool TThread::WaitFor(uint32_t timeoutMs) {
    if (!FStarted)
        return true;
    TClock& clock = SystemClock(); // real time bounds the wait, whatever clock tests install
    uint32_t start = clock.TickCount();
    int queueFd = QueueDescriptor();
    for (;;) {
        ProcessMessages();
        if (FFinished.load()) {
            if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
                FThread.join();
            return true;
        }
        uint32_t elapsed = clock.TickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        uint32_t left = timeoutMs - elapsed;
        pollfd fds[2] = {{FDoneFd, POLLIN, 0}, {queueFd, POLLIN, 0}};
        // Without a done descriptor the finish is noticed by polling.
        int wait = FDoneFd >= 0 ? int(left < 1000 ? left : 1000) : int(left < 5 ? left : 5);
        poll(fds, queueFd >= 0 ? 2 : 1, wait);
    }
}

} // namespace platform
