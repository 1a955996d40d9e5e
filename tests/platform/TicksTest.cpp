// Tick arithmetic across the wrap, the date-time epoch, and the replaceable clock.
#include "platform/Ticks.h"

#include <ctime>
#include <gtest/gtest.h>

namespace {

class TFakeClock : public platform::TClock {
public:
    uint32_t Tick = 0;
    double Date = 0;
    uint32_t TickCount() override { return Tick; }
    void Sleep(uint32_t ms) override { Tick += ms; }
    double Now() override { return Date; }
};

class TicksTest : public ::testing::Test {
protected:
    void TearDown() override { platform::SetClock(nullptr); }
    TFakeClock Fake;
};

TEST_F(TicksTest, DifferencesSurviveTheWrap) {
    platform::SetClock(&Fake);
    struct TCase {
        uint32_t Start, Now, Elapsed;
    };
    const TCase cases[] = {
        {100, 250, 150},
        {0xFFFFFFF0u, 0x10, 0x20},
        {0xFFFFFFFFu, 0, 1},
        {5, 5, 0},
    };
    for (const TCase& c : cases) {
        Fake.Tick = c.Now;
        EXPECT_EQ(platform::TicksSince(c.Start), c.Elapsed) << c.Start << " -> " << c.Now;
    }
}

TEST_F(TicksTest, FakeClockDrivesSleepAndNow) {
    platform::SetClock(&Fake);
    Fake.Tick = 1000;
    Fake.Date = 45000.5;
    platform::Sleep(250);
    EXPECT_EQ(platform::GetTickCount(), 1250u);
    EXPECT_EQ(platform::Now(), 45000.5);
    platform::SetClock(nullptr);
    EXPECT_NE(platform::GetTickCount(), 1250u);
}

TEST_F(TicksTest, SystemSleepWaitsAtLeastTheInterval) {
    uint32_t start = platform::GetTickCount();
    platform::Sleep(30);
    uint32_t elapsed = platform::TicksSince(start);
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}

TEST_F(TicksTest, NowCountsLocalDaysSince1899) {
    time_t secs = time(nullptr);
    tm local{};
    localtime_r(&secs, &local);
    double now = platform::Now();
    // The integer part is the local calendar day: rebuild it from the fields.
    tm midnight = local;
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    time_t t = timegm(&midnight);
    double expectedDay = 25569.0 + double(t) / 86400.0;
    if (local.tm_hour == 23 && local.tm_min == 59)
        GTEST_SKIP() << "too close to midnight";
    EXPECT_EQ(static_cast<long>(now), static_cast<long>(expectedDay));
    double expectedFraction =
        (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
    EXPECT_NEAR(now - static_cast<long>(now), expectedFraction, 5.0 / 86400.0);
}

} // namespace
