// Window messages: handles, synchronous and posted delivery, sends between threads, timers,
// the queue descriptor, and windows of other processes (real processes).
#include "platform/WindowMessages.h"

#include "PlatformPeer.h"
#include "TestInstance.h"
#include "platform/Thread.h"
#include "platform/Ticks.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <vector>

using namespace platform;

namespace {

struct TReceived {
    HWND Hwnd;
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

// A window on the calling thread that records what reaches it; Answer computes SendMessage
// results.
class TRecordingWindow {
public:
    std::function<intptr_t(uint32_t, uintptr_t, intptr_t)> Answer;
    std::vector<TReceived> Received;
    HWND Handle = 0;

    TRecordingWindow() {
        Handle = CreateWindowHandle([this](HWND h, uint32_t m, uintptr_t w, intptr_t l) {
            Received.push_back({h, m, w, l});
            return Answer ? Answer(m, w, l) : intptr_t(0);
        });
    }
    ~TRecordingWindow() { DestroyWindowHandle(Handle); }
    size_t Count(uint32_t msg) const {
        size_t n = 0;
        for (const TReceived& r : Received)
            n += r.Msg == msg;
        return n;
    }
};

// A thread with a window and a message loop until terminated.
class TWindowThread : public TThread {
public:
    std::function<intptr_t(uint32_t, uintptr_t, intptr_t)> Answer;
    std::atomic<HWND> Handle{0};

    ~TWindowThread() override {
        Terminate();
        WaitFor(10000);
    }
    HWND Start() {
        Resume();
        uint32_t start = GetTickCount();
        while (Handle == 0 && !Finished() && TicksSince(start) < 5000)
            Sleep(1);
        return Handle;
    }

protected:
    void Execute() override {
        Handle = CreateWindowHandle([this](HWND, uint32_t m, uintptr_t w, intptr_t l) {
            return Answer ? Answer(m, w, l) : intptr_t(0);
        });
        while (!Terminated())
            WaitMessage(20);
    }
};

bool Readable(int fd, int timeoutMs) {
    pollfd pfd{fd, POLLIN, 0};
    return poll(&pfd, 1, timeoutMs) == 1;
}

class WindowMessagesTest : public TInstanceTest {
protected:
    void TearDown() override {
        while (ProcessMessages()) {
        }
        TInstanceTest::TearDown();
    }

    std::string SocketPath(HWND hwnd) const { return Runtime + "windows/" + std::to_string(hwnd); }

    // Waits for the peer to publish its window handle in file.
    static HWND AwaitHandle(const std::string& file) {
        uint32_t start = GetTickCount();
        while (TicksSince(start) < 10000) {
            std::ifstream in(file);
            unsigned long value = 0;
            if (in >> value)
                return HWND(value);
            Sleep(2);
        }
        return 0;
    }

    static bool AwaitFile(const std::string& file, std::string* content) {
        uint32_t start = GetTickCount();
        while (TicksSince(start) < 10000) {
            std::ifstream in(file);
            if (in && std::getline(in, *content))
                return true;
            Sleep(2);
        }
        return false;
    }

    // Sends raw bytes to a window's socket, as another process would.
    void SendRaw(HWND hwnd, const void* data, size_t size) {
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = SocketPath(hwnd);
        ASSERT_LT(path.size(), sizeof address.sun_path);
        memcpy(address.sun_path, path.c_str(), path.size() + 1);
        EXPECT_EQ(sendto(fd, data, size, 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
                  ssize_t(size));
        close(fd);
    }
};

TEST_F(WindowMessagesTest, HandlesAreUniqueAndVisibleWhileTheyLive) {
    TRecordingWindow a, b;
    ASSERT_NE(a.Handle, 0u);
    ASSERT_NE(b.Handle, 0u);
    EXPECT_NE(a.Handle, b.Handle);
    EXPECT_TRUE(IsWindow(a.Handle));
    struct stat st {};
    ASSERT_EQ(lstat(SocketPath(a.Handle).c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));

    HWND gone = b.Handle;
    DestroyWindowHandle(gone);
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_NE(lstat(SocketPath(gone).c_str(), &st), 0);
    EXPECT_FALSE(PostMessage(gone, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(gone, WM_USER, 0, 0), 0);
    DestroyWindowHandle(gone); // twice is harmless
    EXPECT_FALSE(IsWindow(0));
    EXPECT_FALSE(PostMessage(0, WM_USER, 0, 0));
}

TEST_F(WindowMessagesTest, SendOnTheOwningThreadCallsDirectly) {
    TRecordingWindow w;
    w.Answer = [](uint32_t, uintptr_t wParam, intptr_t lParam) {
        return intptr_t(wParam) + lParam;
    };
    EXPECT_EQ(SendMessage(w.Handle, WM_USER + 5, 40, 2), 42);
    ASSERT_EQ(w.Received.size(), 1u); // without any pumping
    EXPECT_EQ(w.Received[0].Msg, WM_USER + 5u);
    intptr_t result = 0;
    EXPECT_TRUE(SendMessageTimeout(w.Handle, WM_USER, 1, 1, 0, &result));
    EXPECT_EQ(result, 2);
}

TEST_F(WindowMessagesTest, PostedMessagesWaitForTheLoopInOrder) {
    TRecordingWindow w;
    for (uintptr_t i = 0; i < 5; ++i)
        ASSERT_TRUE(PostMessage(w.Handle, WM_USER, i, -intptr_t(i)));
    EXPECT_TRUE(w.Received.empty());
    EXPECT_TRUE(ProcessMessages());
    ASSERT_EQ(w.Received.size(), 5u);
    for (uintptr_t i = 0; i < 5; ++i) {
        EXPECT_EQ(w.Received[i].WParam, i);
        EXPECT_EQ(w.Received[i].LParam, -intptr_t(i));
        EXPECT_EQ(w.Received[i].Hwnd, w.Handle);
    }
    EXPECT_FALSE(ProcessMessages());
    // A message to a window destroyed before the loop ran is dropped.
    TRecordingWindow doomed;
    ASSERT_TRUE(PostMessage(doomed.Handle, WM_USER, 0, 0));
    DestroyWindowHandle(doomed.Handle);
    ProcessMessages();
    EXPECT_TRUE(doomed.Received.empty());
}

TEST_F(WindowMessagesTest, SendFromAnotherThreadWaitsForTheOwnersLoop) {
    TRecordingWindow w;
    w.Answer = [](uint32_t, uintptr_t wParam, intptr_t) { return intptr_t(wParam) * 3; };
    std::atomic<intptr_t> answer{-1};
    std::thread sender([&] { answer = SendMessage(w.Handle, WM_USER, 14, 0); });
    uint32_t start = GetTickCount();
    while (answer == -1 && TicksSince(start) < 5000)
        WaitMessage(10);
    sender.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(w.Count(WM_USER), 1u);
}

TEST_F(WindowMessagesTest, ThreadsThatSendToEachOtherDoNotDeadlock) {
    // Each thread's handler sends back to the other thread while that thread is itself
    // waiting in SendMessage.
    TWindowThread a, b;
    HWND ha = a.Start(), hb = b.Start();
    ASSERT_NE(ha, 0u);
    ASSERT_NE(hb, 0u);
    a.Answer = [&](uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == WM_USER + 1) // from b's handler: answered while a waits
            return intptr_t(w) + 1;
        return SendMessage(hb, WM_USER + 2, w, 0) + 1000;
    };
    b.Answer = [&](uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == WM_USER + 2)
            return SendMessage(ha, WM_USER + 1, w, 0) * 10;
        return 0;
    };
    // And both threads' messages crossing at the same time, many times.
    std::atomic<int> good{0};
    std::thread x([&] {
        for (int i = 0; i < 200; ++i)
            good += SendMessage(ha, WM_USER, uintptr_t(i), 0) == intptr_t(i + 1) * 10 + 1000;
    });
    std::thread y([&] {
        for (int i = 0; i < 200; ++i)
            good += SendMessage(hb, WM_USER + 2, uintptr_t(i), 0) == intptr_t(i + 1) * 10;
    });
    x.join();
    y.join();
    EXPECT_EQ(good.load(), 400);
}

TEST_F(WindowMessagesTest, MutualSendsBetweenTwoWindowThreads) {
    // Two loop threads send to each other's windows at the same moment.
    TWindowThread a, b;
    HWND ha = a.Start(), hb = b.Start();
    ASSERT_NE(ha, 0u);
    ASSERT_NE(hb, 0u);
    std::atomic<int> rounds{0};
    a.Answer = [&](uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == WM_USER + 9) { // go: send to b while b sends to us
            for (int i = 0; i < 100; ++i)
                rounds += SendMessage(hb, WM_USER, uintptr_t(i), 0) == intptr_t(i);
            return 0;
        }
        return intptr_t(w);
    };
    b.Answer = [&](uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == WM_USER + 9) {
            for (int i = 0; i < 100; ++i)
                rounds += SendMessage(ha, WM_USER, uintptr_t(i), 0) == intptr_t(i);
            return 0;
        }
        return intptr_t(w);
    };
    PostMessage(ha, WM_USER + 9, 0, 0);
    PostMessage(hb, WM_USER + 9, 0, 0);
    uint32_t start = GetTickCount();
    while (rounds < 200 && TicksSince(start) < 10000)
        Sleep(5);
    EXPECT_EQ(rounds.load(), 200);
}

TEST_F(WindowMessagesTest, SendToAVanishingWindowReturnsZero) {
    // The owner destroys its window instead of answering.
    TWindowThread owner;
    HWND h = owner.Start();
    ASSERT_NE(h, 0u);
    std::atomic<bool> blocked{false};
    owner.Answer = [&](uint32_t msg, uintptr_t, intptr_t) -> intptr_t {
        if (msg == WM_USER + 1) { // keep the owner busy, then destroy the window
            blocked = true;
            Sleep(100);
            DestroyWindowHandle(owner.Handle);
        }
        return 7;
    };
    PostMessage(h, WM_USER + 1, 0, 0);
    uint32_t start = GetTickCount();
    while (!blocked && TicksSince(start) < 5000)
        Sleep(1);
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0); // queued behind the destroy
    EXPECT_LT(TicksSince(start), 5000u);

    // The owning thread ends without ever pumping: its end answers with 0.
    std::atomic<HWND> e{0};
    std::atomic<bool> senderWaiting{false};
    std::thread ending([&] {
        e = CreateWindowHandle([](HWND, uint32_t, uintptr_t, intptr_t) { return 9; });
        while (!senderWaiting)
            Sleep(1);
        Sleep(50);
    });
    while (e == 0)
        Sleep(1);
    std::thread watcher([&] { senderWaiting = true; });
    watcher.join();
    start = GetTickCount();
    EXPECT_EQ(SendMessage(e, WM_USER, 0, 0), 0);
    EXPECT_LT(TicksSince(start), 5000u);
    ending.join();
    EXPECT_FALSE(IsWindow(e));
}

TEST_F(WindowMessagesTest, SendMessageTimeoutIsBounded) {
    // A thread that owns a window but never pumps.
    std::atomic<HWND> h{0};
    std::atomic<bool> release{false};
    std::thread idle([&] {
        h = CreateWindowHandle([](HWND, uint32_t, uintptr_t, intptr_t) { return 5; });
        while (!release)
            Sleep(1);
        ProcessMessages(); // the withdrawn message must not arrive now
    });
    while (h == 0)
        Sleep(1);
    intptr_t result = -1;
    uint32_t start = GetTickCount();
    EXPECT_FALSE(SendMessageTimeout(h, WM_USER, 0, 0, 80, &result));
    uint32_t elapsed = TicksSince(start);
    EXPECT_GE(elapsed, 75u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_EQ(result, 0);
    release = true;
    idle.join();
}

TEST_F(WindowMessagesTest, TimersTickThroughTheQueueUntilKilled) {
    TRecordingWindow w;
    ASSERT_TRUE(SetTimer(w.Handle, 7, 20));
    ASSERT_TRUE(SetTimer(w.Handle, 8, 1000));
    uint32_t start = GetTickCount();
    while (TicksSince(start) < 300)
        WaitMessage(300 - TicksSince(start));
    size_t ticks = w.Count(WM_TIMER);
    EXPECT_GE(ticks, 5u);
    EXPECT_LE(ticks, 16u);
    for (const TReceived& r : w.Received)
        EXPECT_EQ(r.WParam, 7u);

    EXPECT_TRUE(KillTimer(w.Handle, 7));
    EXPECT_FALSE(KillTimer(w.Handle, 7));
    EXPECT_TRUE(KillTimer(w.Handle, 8));
    w.Received.clear();
    start = GetTickCount();
    while (TicksSince(start) < 100)
        WaitMessage(100 - TicksSince(start));
    EXPECT_TRUE(w.Received.empty());
    EXPECT_FALSE(SetTimer(0, 1, 10));
}

TEST_F(WindowMessagesTest, DescriptorIsReadableWhenSomethingIsDue) {
    TRecordingWindow w;
    int fd = QueueDescriptor();
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fd, QueueDescriptor());
    ProcessMessages();
    EXPECT_FALSE(Readable(fd, 0));

    // A due timer makes it readable with nobody calling in (as a QSocketNotifier waits).
    ASSERT_TRUE(SetTimer(w.Handle, 1, 30));
    uint32_t start = GetTickCount();
    EXPECT_TRUE(Readable(fd, 2000));
    EXPECT_GE(TicksSince(start), 20u);
    EXPECT_TRUE(ProcessMessages());
    EXPECT_EQ(w.Count(WM_TIMER), 1u);
    KillTimer(w.Handle, 1);
    ProcessMessages();
    EXPECT_FALSE(Readable(fd, 60));

    // A message posted from another thread.
    std::thread([&] { PostMessage(w.Handle, WM_USER, 1, 2); }).join();
    EXPECT_TRUE(Readable(fd, 2000));
    EXPECT_TRUE(ProcessMessages());
    EXPECT_FALSE(Readable(fd, 0));

    // Another thread's queue has its own descriptor.
    int other = -1;
    std::thread([&] { other = QueueDescriptor(); }).join();
    EXPECT_NE(other, fd);
}

TEST_F(WindowMessagesTest, DatagramsAreDecodedAndMalformedOnesIgnored) {
    TRecordingWindow w;
    // message 0x0010, reserved, wParam 0x0102030405060708, lParam -2: little-endian.
    const uint8_t valid[24] = {0x10, 0,    0,    0,    0,    0,    0,    0,
                               0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
                               0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t longer[30] = {0x10};
    SendRaw(w.Handle, valid, 10);
    SendRaw(w.Handle, longer, sizeof longer);
    SendRaw(w.Handle, valid, 0);
    SendRaw(w.Handle, valid, sizeof valid);
    ProcessMessages();
    ASSERT_EQ(w.Received.size(), 1u);
    EXPECT_EQ(w.Received[0].Msg, WM_CLOSE);
    EXPECT_EQ(uint64_t(w.Received[0].WParam), 0x0102030405060708ull);
    EXPECT_EQ(w.Received[0].LParam, -2);
}

TEST_F(WindowMessagesTest, ProceduresKnowWhichMessagesCameFromAnotherProcess) {
    TRecordingWindow w;
    std::vector<bool> foreign;
    w.Answer = [&](uint32_t, uintptr_t, intptr_t) {
        foreign.push_back(InForeignMessage());
        return intptr_t(0);
    };
    const uint8_t datagram[24] = {0x01, 0x04};
    SendRaw(w.Handle, datagram, sizeof datagram);
    ProcessMessages();
    ASSERT_TRUE(PostMessage(w.Handle, WM_USER + 1, 0, 0));
    ProcessMessages();
    SendMessage(w.Handle, WM_USER + 2, 0, 0);
    EXPECT_EQ(foreign, (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(InForeignMessage());
}

TEST_F(WindowMessagesTest, PostedCloseReachesAWindowOfAnotherProcess) {
    std::string file = Runtime + "peer-window";
    uint32_t pid = StartPeer({"window", file});
    ASSERT_NE(pid, 0u);
    HWND h = AwaitHandle(file);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(IsWindow(h));
    ASSERT_TRUE(PostMessage(h, WM_USER + 1, 7, -5));
    std::string text;
    ASSERT_TRUE(AwaitFile(file + ".message", &text));
    EXPECT_EQ(text, "7 -5");
    ASSERT_TRUE(PostMessage(h, WM_CLOSE, 0, 0));
    EXPECT_EQ(ExitCode(pid), peer::kGotClose);
    // The window went with its process.
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_CLOSE, 0, 0));
}

TEST_F(WindowMessagesTest, WindowOfAKilledProcessIsGoneAtTheFirstProbe) {
    std::string file = Runtime + "peer-window";
    uint32_t pid = StartPeer({"window", file});
    ASSERT_NE(pid, 0u);
    HWND h = AwaitHandle(file);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(IsWindow(h));
    ASSERT_TRUE(KillProcess(pid));
    ASSERT_TRUE(WaitProcess(pid, 5000, nullptr));
    struct stat st {};
    EXPECT_EQ(lstat(SocketPath(h).c_str(), &st), 0); // the killed process left its socket file
    EXPECT_FALSE(IsWindow(h));
    EXPECT_NE(lstat(SocketPath(h).c_str(), &st), 0); // the probe removed it
    EXPECT_FALSE(PostMessage(h, WM_CLOSE, 0, 0));
}

} // namespace
