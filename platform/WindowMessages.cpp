// Window messages on POSIX. Each thread that uses messages gets a queue: a mutex-guarded list
// of sent and posted messages, its timers, and an epoll descriptor that is readable while
// anything is pending. It watches three kinds of source:
//   - an eventfd, written whenever a message is queued or a sent message is answered;
//   - a timerfd, armed for the earliest timer deadline of the thread;
//   - one Unix datagram socket per window, bound at <runtime>/windows/<handle>, through which
//     other processes post. A handle is a window exactly while something is bound there:
//     a dead process's sockets refuse connections, which is how IsWindow tells a stale one.
// Datagram layout (24 bytes, little-endian): message u32 | reserved u32 | wParam u64 | lParam u64.
#include "platform/WindowMessages.h"

#include "platform/RuntimeDirectory.h"
#include "platform/ThreadQueue.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr size_t kDatagramSize = 24;
constexpr uint32_t kMinimumTimerMs = 10; // as the Windows timer minimum
constexpr int kDatagramsPerWindowPass = 64;
// Handles are <pid> << kCounterBits | counter: unique on the machine while the process lives
// (Linux pids stay below 2^22, so a handle fits 32 bits and is never 0).
constexpr int kCounterBits = 10;

uint64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

struct TQueue;

struct TWindow {
    HWND Handle = 0;
    TWindowProc Proc;
    std::weak_ptr<TQueue> Queue;
    int Socket = -1;
    std::string Path;
    std::atomic<bool> Alive{true};

    ~TWindow() {
        if (Socket >= 0)
            close(Socket);
    }
};

// A message sent from another thread, waiting for its answer. Whoever removes it from the
// target queue (the dispatcher, a destroyed window, an ending thread, a sender that gave up)
// owns its completion.
struct TSent {
    HWND Handle = 0;
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
    std::atomic<bool> Done{false};
    std::shared_ptr<TQueue> Sender;
};

struct TPosted {
    HWND Handle;
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

struct TTimer {
    HWND Handle;
    uint32_t Id;
    uint32_t Interval;
    uint64_t Due;
};

struct TQueue {
    std::mutex Mutex;
    std::deque<std::shared_ptr<TSent>> Sent;
    std::deque<TPosted> Posted;
    std::vector<TTimer> Timers;
    std::vector<std::shared_ptr<TWindow>> Windows;
    bool Alive = true;
    int EventFd = -1;
    int TimerFd = -1;
    int EpollFd = -1;

    ~TQueue() {
        for (int fd : {EventFd, TimerFd, EpollFd})
            if (fd >= 0)
                close(fd);
    }

    bool Open() {
        EventFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        TimerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        EpollFd = epoll_create1(EPOLL_CLOEXEC);
        return EventFd >= 0 && TimerFd >= 0 && EpollFd >= 0 && Watch(EventFd) && Watch(TimerFd);
    }

    bool Watch(int fd) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        return epoll_ctl(EpollFd, EPOLL_CTL_ADD, fd, &event) == 0;
    }

    void Signal() {
        uint64_t one = 1;
        ssize_t ignored = write(EventFd, &one, sizeof one);
        (void)ignored;
    }

    void ClearSignal() {
        uint64_t value;
        ssize_t ignored = read(EventFd, &value, sizeof value);
        (void)ignored;
    }

    // Re-raises the signal when messages are still queued (after a loop that cleared it
    // handled only some kinds), so a notifier on the descriptor fires again.
    void KeepSignalled() {
        std::lock_guard<std::mutex> lock(Mutex);
        if (!Sent.empty() || !Posted.empty())
            Signal();
    }

    // Arms the timerfd for the earliest deadline; caller holds Mutex.
    void ArmTimerLocked() {
        itimerspec setting{};
        if (!Timers.empty()) {
            uint64_t due = Timers.front().Due;
            for (const TTimer& t : Timers)
                due = t.Due < due ? t.Due : due;
            if (due == 0)
                due = 1; // 0 would disarm
            setting.it_value.tv_sec = time_t(due / 1000);
            setting.it_value.tv_nsec = long(due % 1000) * 1000000L;
        }
        timerfd_settime(TimerFd, TFD_TIMER_ABSTIME, &setting, nullptr);
    }
};

void Complete(const std::shared_ptr<TSent>& sent, intptr_t result) {
    sent->Result = result;
    sent->Done.store(true, std::memory_order_release);
    if (sent->Sender)
        sent->Sender->Signal();
}

struct TRegistry {
    std::mutex Mutex;
    std::unordered_map<HWND, std::shared_ptr<TWindow>> Windows;
    uint32_t Counter = 0;
};

// Never destroyed: threads may end (and release their queues) during static destruction.
TRegistry& Registry() {
    static TRegistry* registry = new TRegistry;
    return *registry;
}

std::shared_ptr<TWindow> FindWindow(HWND hwnd) {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.Mutex);
    auto it = registry.Windows.find(hwnd);
    return it == registry.Windows.end() ? nullptr : it->second;
}

void DestroyWindow(const std::shared_ptr<TWindow>& window);

// The queue of the calling thread; its end releases everything the thread owned.
struct TThreadQueueHolder {
    std::shared_ptr<TQueue> Queue;
    bool Failed = false;

    ~TThreadQueueHolder() { Release(); }

    void Release() {
        std::shared_ptr<TQueue> queue = std::move(Queue);
        if (!queue)
            return;
        std::vector<std::shared_ptr<TWindow>> windows;
        std::deque<std::shared_ptr<TSent>> sent;
        {
            std::lock_guard<std::mutex> lock(queue->Mutex);
            queue->Alive = false;
            windows = queue->Windows;
            sent.swap(queue->Sent);
            queue->Posted.clear();
        }
        for (const auto& window : windows)
            DestroyWindow(window);
        for (const auto& s : sent)
            Complete(s, 0);
    }
};

thread_local TThreadQueueHolder threadQueue;

std::shared_ptr<TQueue> CurrentQueue() {
    if (!threadQueue.Queue && !threadQueue.Failed) {
        auto queue = std::make_shared<TQueue>();
        if (queue->Open())
            threadQueue.Queue = queue;
        else
            threadQueue.Failed = true;
    }
    return threadQueue.Queue;
}

bool IsOwnHandleRange(HWND hwnd) {
    return (hwnd >> kCounterBits) == uint32_t(getpid());
}

std::string WindowPath(const std::string& dir, HWND hwnd) {
    return dir + std::to_string(hwnd);
}

bool FillAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Removes a socket file nobody listens on any more, unless it was replaced meanwhile.
void RemoveStale(const std::string& path, const struct stat& before) {
    struct stat now {};
    if (stat(path.c_str(), &now) == 0 && now.st_ino == before.st_ino && now.st_dev == before.st_dev)
        unlink(path.c_str());
}

// Sends a datagram to another process's window (or, with data == nullptr, only connects to
// see whether one is bound). True when a live socket took it.
bool ReachForeign(HWND hwnd, const uint8_t* data, size_t size) {
    std::string dir = RuntimeSubdirectory("windows");
    if (dir.empty())
        return false;
    std::string path = WindowPath(dir, hwnd);
    struct stat before {};
    if (lstat(path.c_str(), &before) != 0 || !S_ISSOCK(before.st_mode))
        return false;
    sockaddr_un address{};
    if (!FillAddress(path, &address))
        return false;
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool ok;
    int error = 0;
    if (data) {
        ok = sendto(fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&address), sizeof address) == ssize_t(size);
    } else {
        ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    if (!ok)
        error = errno;
    close(fd);
    if (!ok && error == ECONNREFUSED)
        RemoveStale(path, before);
    return ok;
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
void PutU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
uint64_t GetU64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void DestroyWindow(const std::shared_ptr<TWindow>& window) {
    {
        TRegistry& registry = Registry();
        std::lock_guard<std::mutex> lock(registry.Mutex);
        auto it = registry.Windows.find(window->Handle);
        if (it != registry.Windows.end() && it->second == window)
            registry.Windows.erase(it);
    }
    if (!window->Alive.exchange(false))
        return;
    if (!window->Path.empty())
        unlink(window->Path.c_str());
    std::vector<std::shared_ptr<TSent>> orphans;
    if (std::shared_ptr<TQueue> queue = window->Queue.lock()) {
        std::lock_guard<std::mutex> lock(queue->Mutex);
        auto& windows = queue->Windows;
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i] == window) {
                windows.erase(windows.begin() + std::ptrdiff_t(i));
                break;
            }
        auto& timers = queue->Timers;
        for (size_t i = timers.size(); i-- > 0;)
            if (timers[i].Handle == window->Handle)
                timers.erase(timers.begin() + std::ptrdiff_t(i));
        queue->ArmTimerLocked();
        for (auto it = queue->Sent.begin(); it != queue->Sent.end();) {
            if ((*it)->Handle == window->Handle) {
                orphans.push_back(*it);
                it = queue->Sent.erase(it);
            } else {
                ++it;
            }
        }
        if (window->Socket >= 0)
            epoll_ctl(queue->EpollFd, EPOLL_CTL_DEL, window->Socket, nullptr);
    }
    for (const auto& sent : orphans)
        Complete(sent, 0);
}

intptr_t CallWindow(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<TWindow> window = FindWindow(hwnd);
    if (!window || !window->Alive.load() || !window->Proc)
        return 0;
    return window->Proc(hwnd, msg, wParam, lParam);
}

std::shared_ptr<TSent> TakeSent(TQueue& queue) {
    std::lock_guard<std::mutex> lock(queue.Mutex);
    if (queue.Sent.empty())
        return nullptr;
    std::shared_ptr<TSent> sent = queue.Sent.front();
    queue.Sent.pop_front();
    return sent;
}

// Answers every message other threads have sent to this one.
bool DispatchSent(TQueue& queue) {
    bool any = false;
    while (std::shared_ptr<TSent> sent = TakeSent(queue)) {
        any = true;
        Complete(sent, CallWindow(sent->Handle, sent->Msg, sent->WParam, sent->LParam));
    }
    return any;
}

thread_local bool ForeignDispatch = false;

bool DispatchDatagrams(TQueue& queue) {
    std::vector<std::shared_ptr<TWindow>> windows;
    {
        std::lock_guard<std::mutex> lock(queue.Mutex);
        windows = queue.Windows;
    }
    bool any = false;
    for (const auto& window : windows) {
        for (int i = 0; i < kDatagramsPerWindowPass && window->Alive.load(); ++i) {
            uint8_t buffer[kDatagramSize + 8];
            ssize_t n = recv(window->Socket, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            if (size_t(n) != kDatagramSize)
                continue; // not one of ours
            any = true;
            uint32_t msg = GetU32(buffer);
            uintptr_t wParam = uintptr_t(GetU64(buffer + 8));
            intptr_t lParam = intptr_t(GetU64(buffer + 16));
            if (window->Proc) {
                // A message from another process carries no addresses that mean anything here.
                ForeignDispatch = true;
                window->Proc(window->Handle, msg, wParam, lParam);
                ForeignDispatch = false;
            }
        }
    }
    return any;
}

bool DispatchTimers(TQueue& queue) {
    uint64_t now = MonotonicMs();
    std::vector<std::pair<HWND, uint32_t>> due;
    {
        std::lock_guard<std::mutex> lock(queue.Mutex);
        // A timer that fell behind fires once and restarts from now: missed ticks are not
        // delivered in a burst.
        for (TTimer& timer : queue.Timers)
            if (timer.Due <= now) {
                due.emplace_back(timer.Handle, timer.Id);
                timer.Due = now + timer.Interval;
            }
        queue.ArmTimerLocked();
    }
    for (const auto& [hwnd, id] : due) {
        // A handler may have killed a timer that was due in the same pass.
        bool stillSet = false;
        {
            std::lock_guard<std::mutex> lock(queue.Mutex);
            for (const TTimer& timer : queue.Timers)
                stillSet = stillSet || (timer.Handle == hwnd && timer.Id == id);
        }
        if (stillSet)
            CallWindow(hwnd, WM_TIMER, id, 0);
    }
    return !due.empty();
}

} // namespace

void ReleaseCurrentThreadQueue() {
    threadQueue.Release();
}

HWND CreateWindowHandle(TWindowProc proc) {
    std::shared_ptr<TQueue> queue = CurrentQueue();
    if (!queue)
        return 0;
    std::string dir = RuntimeSubdirectory("windows");
    if (dir.empty())
        return 0;
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return 0;
    auto window = std::make_shared<TWindow>();
    window->Socket = fd;
    window->Proc = std::move(proc);
    window->Queue = queue;

    TRegistry& registry = Registry();
    {
        std::lock_guard<std::mutex> lock(registry.Mutex);
        uint32_t base = uint32_t(getpid()) << kCounterBits;
        constexpr uint32_t kSlots = 1u << kCounterBits;
        for (uint32_t tries = 0; tries < kSlots && window->Handle == 0; ++tries) {
            HWND candidate = base | (registry.Counter++ % kSlots);
            if (candidate != 0 && registry.Windows.count(candidate) == 0)
                window->Handle = candidate;
        }
        if (window->Handle == 0)
            return 0; // every handle of this process is in use
        // Reserved now so no other thread takes it; published below once bound.
        registry.Windows[window->Handle] = nullptr;
    }
    auto unreserve = [&] {
        std::lock_guard<std::mutex> lock(registry.Mutex);
        registry.Windows.erase(window->Handle);
    };

    // A file at our handle's path was left by an earlier process with our pid.
    window->Path = WindowPath(dir, window->Handle);
    sockaddr_un address{};
    if (!FillAddress(window->Path, &address)) {
        unreserve();
        window->Path.clear();
        return 0;
    }
    unlink(window->Path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        unreserve();
        window->Path.clear();
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(queue->Mutex);
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        if (!queue->Alive || epoll_ctl(queue->EpollFd, EPOLL_CTL_ADD, fd, &event) != 0) {
            unlink(window->Path.c_str());
            unreserve();
            return 0;
        }
        queue->Windows.push_back(window);
    }
    {
        std::lock_guard<std::mutex> lock(registry.Mutex);
        registry.Windows[window->Handle] = window;
    }
    return window->Handle;
}

void DestroyWindowHandle(HWND hwnd) {
    if (std::shared_ptr<TWindow> window = FindWindow(hwnd))
        DestroyWindow(window);
}

bool IsWindow(HWND hwnd) {
    if (hwnd == 0)
        return false;
    {
        TRegistry& registry = Registry();
        std::lock_guard<std::mutex> lock(registry.Mutex);
        auto it = registry.Windows.find(hwnd);
        if (it != registry.Windows.end())
            return it->second && it->second->Alive.load();
    }
    if (IsOwnHandleRange(hwnd))
        return false;
    return ReachForeign(hwnd, nullptr, 0);
}

intptr_t SendMessage(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    intptr_t result = 0;
    SendMessageTimeout(hwnd, msg, wParam, lParam, INFINITE, &result);
    return result;
}

bool SendMessageTimeout(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                        uint32_t timeoutMs, intptr_t* result) {
    if (result)
        *result = 0;
    std::shared_ptr<TWindow> window = FindWindow(hwnd);
    if (!window || !window->Alive.load())
        return false;
    std::shared_ptr<TQueue> target = window->Queue.lock();
    if (!target)
        return false;
    if (target == threadQueue.Queue) {
        intptr_t value = window->Proc ? window->Proc(hwnd, msg, wParam, lParam) : 0;
        if (result)
            *result = value;
        return true;
    }
    std::shared_ptr<TQueue> self = CurrentQueue();
    if (!self)
        return false;
    auto sent = std::make_shared<TSent>();
    sent->Handle = hwnd;
    sent->Msg = msg;
    sent->WParam = wParam;
    sent->LParam = lParam;
    sent->Sender = self;
    {
        std::lock_guard<std::mutex> lock(target->Mutex);
        if (!target->Alive || !window->Alive.load())
            return false;
        target->Sent.push_back(sent);
        target->Signal();
    }

    uint64_t start = MonotonicMs();
    bool answered = false;
    for (;;) {
        self->ClearSignal();
        if (sent->Done.load(std::memory_order_acquire)) {
            answered = true;
            break;
        }
        // Messages sent to us meanwhile are answered, so two threads that send to each other
        // both make progress.
        if (DispatchSent(*self))
            continue;
        uint64_t elapsed = MonotonicMs() - start;
        int wait = 100;
        if (timeoutMs != INFINITE) {
            if (elapsed >= timeoutMs)
                break;
            wait = int(timeoutMs - elapsed < 100 ? timeoutMs - elapsed : 100);
        }
        pollfd pfd{self->EventFd, POLLIN, 0};
        poll(&pfd, 1, wait);
    }
    if (!answered) {
        // Withdraw it if nobody took it yet; a message being handled is left to finish and
        // its answer is dropped.
        std::lock_guard<std::mutex> lock(target->Mutex);
        for (auto it = target->Sent.begin(); it != target->Sent.end(); ++it)
            if (*it == sent) {
                target->Sent.erase(it);
                break;
            }
    }
    self->KeepSignalled();
    if (answered && result)
        *result = sent->Result;
    return answered;
}

bool PostMessage(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (hwnd == 0)
        return false;
    bool local = false;
    std::shared_ptr<TWindow> window;
    {
        TRegistry& registry = Registry();
        std::lock_guard<std::mutex> lock(registry.Mutex);
        auto it = registry.Windows.find(hwnd);
        if (it != registry.Windows.end()) {
            local = true;
            window = it->second;
        }
    }
    if (local) {
        std::shared_ptr<TQueue> queue = window ? window->Queue.lock() : nullptr;
        if (!queue || !window->Alive.load())
            return false;
        std::lock_guard<std::mutex> lock(queue->Mutex);
        if (!queue->Alive)
            return false;
        queue->Posted.push_back({hwnd, msg, wParam, lParam});
        queue->Signal();
        return true;
    }
    if (IsOwnHandleRange(hwnd))
        return false;
    uint8_t datagram[kDatagramSize];
    PutU32(datagram, msg);
    PutU32(datagram + 4, 0);
    PutU64(datagram + 8, uint64_t(wParam));
    PutU64(datagram + 16, uint64_t(lParam));
    return ReachForeign(hwnd, datagram, sizeof datagram);
}

bool ProcessMessages() {
    std::shared_ptr<TQueue> queue = CurrentQueue();
    if (!queue)
        return false;
    queue->ClearSignal();
    uint64_t expirations;
    ssize_t ignored = read(queue->TimerFd, &expirations, sizeof expirations);
    (void)ignored;

    bool any = DispatchSent(*queue);
    // Only the posted messages present now: a handler that keeps posting to itself cannot
    // hold the caller here forever.
    size_t batch;
    {
        std::lock_guard<std::mutex> lock(queue->Mutex);
        batch = queue->Posted.size();
    }
    for (size_t i = 0; i < batch; ++i) {
        TPosted posted;
        {
            std::lock_guard<std::mutex> lock(queue->Mutex);
            if (queue->Posted.empty())
                break;
            posted = queue->Posted.front();
            queue->Posted.pop_front();
        }
        any = true;
        CallWindow(posted.Handle, posted.Msg, posted.WParam, posted.LParam);
        DispatchSent(*queue);
    }
    any = DispatchDatagrams(*queue) || any;
    any = DispatchTimers(*queue) || any;
    any = DispatchSent(*queue) || any;
    return any;
}

bool WaitMessage(uint32_t timeoutMs) {
    std::shared_ptr<TQueue> queue = CurrentQueue();
    if (!queue)
        return false;
    uint64_t start = MonotonicMs();
    for (;;) {
        if (ProcessMessages())
            return true;
        uint64_t elapsed = MonotonicMs() - start;
        if (elapsed >= timeoutMs)
            return false;
        uint64_t left = timeoutMs - elapsed;
        pollfd pfd{queue->EpollFd, POLLIN, 0};
        poll(&pfd, 1, int(left < 1000 ? left : 1000));
    }
}

int QueueDescriptor() {
    std::shared_ptr<TQueue> queue = CurrentQueue();
    return queue ? queue->EpollFd : -1;
}

bool SetTimer(HWND hwnd, uint32_t id, uint32_t intervalMs) {
    std::shared_ptr<TWindow> window = FindWindow(hwnd);
    if (!window || !window->Alive.load())
        return false;
    std::shared_ptr<TQueue> queue = window->Queue.lock();
    if (!queue)
        return false;
    uint32_t interval = intervalMs < kMinimumTimerMs ? kMinimumTimerMs : intervalMs;
    std::lock_guard<std::mutex> lock(queue->Mutex);
    if (!queue->Alive)
        return false;
    uint64_t due = MonotonicMs() + interval;
    bool found = false;
    for (TTimer& timer : queue->Timers)
        if (timer.Handle == hwnd && timer.Id == id) {
            timer.Interval = interval;
            timer.Due = due;
            found = true;
        }
    if (!found)
        queue->Timers.push_back({hwnd, id, interval, due});
    queue->ArmTimerLocked();
    return true;
}

bool KillTimer(HWND hwnd, uint32_t id) {
    std::shared_ptr<TWindow> window = FindWindow(hwnd);
    std::shared_ptr<TQueue> queue = window ? window->Queue.lock() : nullptr;
    if (!queue)
        return false;
    std::lock_guard<std::mutex> lock(queue->Mutex);
    auto& timers = queue->Timers;
    for (size_t i = 0; i < timers.size(); ++i)
        if (timers[i].Handle == hwnd && timers[i].Id == id) {
            timers.erase(timers.begin() + std::ptrdiff_t(i));
            queue->ArmTimerLocked();
            return true;
        }
    return false;
}

bool InForeignMessage() { return ForeignDispatch; }

} // namespace platform
