// ICMP echo against the loopback address, and addresses an echo must never be sent to.
// No test targets an address off this machine.
#include "platform/Icmp.h"

#include "platform/Ticks.h"

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

// Whether this machine lets us open any ICMP socket at all.
bool IcmpAllowed() {
    for (int type : {SOCK_DGRAM, SOCK_RAW}) {
        int fd = socket(AF_INET, type, IPPROTO_ICMP);
        if (fd >= 0) {
            close(fd);
            return true;
        }
    }
    return false;
}

uint32_t Address(const char* dotted) {
    return inet_addr(dotted);
}

TEST(IcmpTest, LoopbackAnswers) {
    if (!IcmpAllowed())
        GTEST_SKIP() << "no ICMP socket allowed here";
    TIcmpReply reply{};
    ASSERT_TRUE(IcmpEcho(Address("127.0.0.1"), 2000, &reply));
    EXPECT_EQ(reply.Address, Address("127.0.0.1"));
    EXPECT_LT(reply.RoundTripMs, 1000u);
    EXPECT_TRUE(IcmpEcho(Address("127.0.0.1"), 2000, nullptr));
}

TEST(IcmpTest, ConcurrentEchoesEachGetTheirOwnReply) {
    if (!IcmpAllowed())
        GTEST_SKIP() << "no ICMP socket allowed here";
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                TIcmpReply reply{};
                if (IcmpEcho(Address("127.0.0.1"), 2000, &reply) &&
                    reply.Address == Address("127.0.0.1"))
                    ++answered;
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(answered.load(), 40);
}

// In a network namespace of its own (root only) a child process brings its loopback up and
// tells it to ignore echo requests: the echo must then end by its timeout, not before and not
// much later. Nothing leaves the namespace.
int TimeoutInPrivateNetwork(uint32_t timeoutMs) {
    if (unshare(CLONE_NEWNET) != 0)
        return 77;
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    strcpy(ifr.ifr_name, "lo");
    if (s < 0 || ioctl(s, SIOCGIFFLAGS, &ifr) != 0)
        return 77;
    ifr.ifr_flags |= IFF_UP;
    if (ioctl(s, SIOCSIFFLAGS, &ifr) != 0)
        return 77;
    int fd = open("/proc/sys/net/ipv4/icmp_echo_ignore_all", O_WRONLY);
    if (fd < 0 || write(fd, "1", 1) != 1)
        return 77;
    close(fd);
    uint32_t start = GetTickCount();
    if (IcmpEcho(Address("127.0.0.1"), timeoutMs, nullptr))
        return 1;
    uint32_t elapsed = TicksSince(start);
    return elapsed + 5 >= timeoutMs && elapsed < timeoutMs + 500 ? 0 : 2;
}

TEST(IcmpTest, UnansweredEchoEndsAtItsTimeout) {
    if (!IcmpAllowed())
        GTEST_SKIP() << "no ICMP socket allowed here";
    for (uint32_t timeoutMs : {0u, 150u}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(TimeoutInPrivateNetwork(timeoutMs));
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            GTEST_SKIP() << "no private network namespace here";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "timeout " << timeoutMs;
    }
}

TEST(IcmpTest, UnusableAddressesFailAtOnce) {
    const char* addresses[] = {"0.0.0.0", "255.255.255.255", "224.0.0.1", "239.255.255.250",
                               "240.0.0.1"};
    for (const char* address : addresses) {
        uint32_t start = GetTickCount();
        TIcmpReply reply{123, 456};
        EXPECT_FALSE(IcmpEcho(Address(address), 1000, &reply)) << address;
        EXPECT_LT(TicksSince(start), 500u) << address;
        EXPECT_EQ(reply.Address, 123u);
    }
}

} // namespace
