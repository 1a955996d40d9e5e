// Millisecond tick count, sleeping and the local date-time as the driver counts time.
// Ticks wrap after ~49.7 days like the Windows tick count; differences are taken with TicksSince.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start (monotonic clock); wraps modulo 2^32.
uint32_t GetTickCount();

// Milliseconds elapsed since a tick value taken earlier; correct across one wrap.
uint32_t TicksSince(uint32_t start);

void Sleep(uint32_t ms);

// Local date-time as days since 1899-12-30 00:00 (the fraction is the time of day).
double Now();

// A narrow clock interface so tests can drive time by hand. The functions above go through
// the clock installed here (the system clock unless a test installs another).
class TClock {
public:
    virtual ~TClock() = default;
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    virtual double Now() = 0;
};

TClock& SystemClock();

// Installs a clock for the whole process (nullptr restores the system clock). The caller keeps
// ownership and must keep it alive until it is replaced; not meant to change while threads run.
void SetClock(TClock* clock);

} // namespace platform
