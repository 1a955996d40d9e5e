// The system clock behind Ticks.h: CLOCK_MONOTONIC for ticks, local time for Now.
#include "platform/Ticks.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace platform {

namespace {

class TSystemClock : public TClock {
public:
    uint32_t TickCount() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
        return uint32_t(ms);
    }

    void Sleep(uint32_t ms) override {
        timespec req{time_t(ms / 1000), long(ms % 1000) * 1000000L};
        timespec rem{};
        while (nanosleep(&req, &rem) != 0 && errno == EINTR)
            req = rem;
    }

    double Now() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        time_t secs = ts.tv_sec;
        tm local{};
        localtime_r(&secs, &local);
        // Days from 1899-12-30 to 1970-01-01 are 25569; the local offset turns UTC into wall time.
        double offset = double(local.tm_gmtoff);
        double seconds = double(secs) + offset + double(ts.tv_nsec) / 1e9;
        return 25569.0 + seconds / 86400.0;
    }
};

TSystemClock systemClock;
std::atomic<TClock*> currentClock{nullptr};

TClock& Clock() {
    TClock* clock = currentClock.load(std::memory_order_acquire);
    return clock ? *clock : systemClock;
}

} // namespace

TClock& SystemClock() {
    return systemClock;
}

void SetClock(TClock* clock) {
    currentClock.store(clock, std::memory_order_release);
}

uint32_t GetTickCount() {
    return Clock().TickCount();
}

uint32_t TicksSince(uint32_t start) {
    return GetTickCount() - start;
}

void Sleep(uint32_t ms) {
    Clock().Sleep(ms);
}

double Now() {
    return Clock().Now();
}

} // namespace platform
