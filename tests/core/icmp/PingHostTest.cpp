// PingHost against the loopback address, and the texts that can never match a reply. Nothing
// here sends to an address off this machine: the -1 cases either fail before anything is sent
// or name an address the platform refuses to send to.
#include "core/icmp/PingHost.h"

#include "platform/Icmp.h"
#include "platform/Ticks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// The reason to skip, when this machine lets no process send an ICMP echo at all.
bool LoopbackEchoAllowed() {
    uint32_t loopback = 0;
    return ParseDottedIPv4("127.0.0.1", loopback) && platform::IcmpEcho(loopback, 2000, nullptr);
}

TEST(PingHost, LoopbackAnswersWithASmallRoundTrip) {
    if (!LoopbackEchoAllowed()) {
        GTEST_SKIP() << "this machine allows no ICMP echo socket";
    }
    const int32_t roundTrip = PingHost("127.0.0.1", 2000);
    EXPECT_GE(roundTrip, 0);
    EXPECT_LT(roundTrip, 1000);
}

TEST(PingHost, SeveralThreadsAtOnce) {
    if (!LoopbackEchoAllowed()) {
        GTEST_SKIP() << "this machine allows no ICMP echo socket";
    }
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                if (PingHost("127.0.0.1", 2000) >= 0) {
                    ++answered;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(answered.load(), 15);
}

TEST(PingHost, TextsThatNeverMatchAReplyGiveMinusOneAtOnce) {
    const char* texts[] = {
        "127.0.0.01", // leading zero: the reply is written 127.0.0.1
        "0127.0.0.1", // the octal form of 127
        "127.000.0.1",
        " 127.0.0.1", // blanks
        "127.0.0.1 ",
        "localhost", // host names are not resolved
        "",
        "127.1",      // short forms
        "0x7f.0.0.1", // hexadecimal groups
        "127.0.0.1.1",
        "127.0.0.",
        "127..0.1",
        "256.0.0.1",
        "1270.0.0.1",
        "-1.0.0.1",
        "+127.0.0.1",
        "127.0.0.1/8",
        "0.0.0.0", // written correctly, but no echo is ever sent there
        "255.255.255.255",
        "224.0.0.1",
    };
    for (const char* text : texts) {
        const uint32_t start = platform::GetTickCount();
        EXPECT_EQ(PingHost(text, 3000), -1) << "'" << text << "'";
        EXPECT_LT(platform::TicksSince(start), 1000u) << "'" << text << "'";
    }
}

TEST(PingHost, AddressTextsRoundTrip) {
    const char* texts[] = {"127.0.0.1", "0.0.0.0", "10.20.30.40", "255.255.255.255",
                           "192.168.1.200"};
    for (const char* text : texts) {
        uint32_t address = 0;
        ASSERT_TRUE(ParseDottedIPv4(text, address)) << text;
        EXPECT_EQ(FormatIPv4(address), text);
    }
    // Network order: the first group is the first byte in memory.
    uint32_t address = 0;
    ASSERT_TRUE(ParseDottedIPv4("1.2.3.4", address));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[3], 4);
}

} // namespace
