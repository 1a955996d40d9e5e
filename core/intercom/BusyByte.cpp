// The busy byte: a lock of one byte inside the shared block, taken by atomic exchange.
#include "core/intercom/Section.h"

#include "platform/Ticks.h"

#include <atomic>

namespace intercom {

namespace {
std::atomic<uint32_t> BusyTimeout{DefaultBusyTimeoutMs};
}

uint32_t BusyTimeoutMs() {
    return BusyTimeout.load(std::memory_order_relaxed);
}

void SetBusyTimeoutMs(uint32_t ms) {
    BusyTimeout.store(ms, std::memory_order_relaxed);
}

bool TakeBusy(uint8_t* busy) {
    const uint32_t start = platform::GetTickCount();
    const uint32_t timeout = BusyTimeoutMs();
    // The count bounds the wait also under a clock that does not advance while we sleep.
    const uint32_t maxPolls = timeout / BusyPollIntervalMs + 2;
    for (uint32_t poll = 0;; ++poll) {
        if (__atomic_exchange_n(busy, uint8_t(1), __ATOMIC_ACQUIRE) == 0) {
            return true;
        }
        if (platform::TicksSince(start) > timeout || poll >= maxPolls) {
            return false;
        }
        platform::Sleep(BusyPollIntervalMs);
    }
}

void ReleaseBusy(uint8_t* busy) {
    __atomic_store_n(busy, uint8_t(0), __ATOMIC_RELEASE);
}

} // namespace intercom
