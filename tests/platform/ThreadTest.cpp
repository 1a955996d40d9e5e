// Threads: suspended start, the terminate flag, bounded waits that keep the caller's window
// messages flowing, and the critical section.
#include "platform/Thread.h"

#include "TestInstance.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// Some cases create windows: each runs in an instance of its own.
using ThreadTest = TInstanceTest;

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : FBody(std::move(body)) {}
    ~TLambdaThread() override {
        Terminate();
        WaitFor(10000);
    }
    using TThread::Terminated;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TLambdaThread&)> FBody;
};

TEST_F(ThreadTest, StartsSuspendedAndRunsOnResume) {
    std::atomic<int> runs{0};
    TLambdaThread thread([&](TLambdaThread&) { ++runs; });
    Sleep(30);
    EXPECT_EQ(runs.load(), 0);
    EXPECT_FALSE(thread.Started());
    EXPECT_FALSE(thread.Finished());
    EXPECT_TRUE(thread.WaitFor(0)); // never started: nothing to wait for
    EXPECT_TRUE(thread.Resume());
    EXPECT_TRUE(thread.Resume()); // a second resume starts nothing
    EXPECT_TRUE(thread.WaitFor(5000));
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(runs.load(), 1);
}

TEST_F(ThreadTest, TerminateIsAFlagTheLoopPolls) {
    std::atomic<int> loops{0};
    TLambdaThread thread([&](TLambdaThread& self) {
        while (!self.Terminated()) {
            ++loops;
            Sleep(1);
        }
    });
    thread.Resume();
    EXPECT_FALSE(thread.WaitFor(50)); // bounded: the loop still runs
    EXPECT_FALSE(thread.Finished());
    EXPECT_GT(loops.load(), 0);
    thread.Terminate();
    EXPECT_TRUE(thread.Terminated());
    EXPECT_TRUE(thread.WaitFor(5000));
    EXPECT_TRUE(thread.Finished());
}

TEST_F(ThreadTest, WaitForTimesOutWithinItsBound) {
    TLambdaThread thread([](TLambdaThread&) { Sleep(400); });
    thread.Resume();
    uint32_t start = GetTickCount();
    EXPECT_FALSE(thread.WaitFor(60));
    uint32_t elapsed = TicksSince(start);
    EXPECT_GE(elapsed, 55u);
    EXPECT_LT(elapsed, 350u);
    EXPECT_TRUE(thread.WaitFor(5000));
}

TEST_F(ThreadTest, WaitForAnswersMessagesTheThreadSends) {
    // The thread needs the waiting thread's window to finish: without pumping this deadlocks
    // until the bound.
    std::atomic<int> handled{0};
    HWND window = CreateWindowHandle([&](HWND, uint32_t msg, uintptr_t wParam, intptr_t) {
        if (msg == WM_USER)
            ++handled;
        return intptr_t(wParam * 2);
    });
    ASSERT_NE(window, 0u);
    std::atomic<intptr_t> answer{0};
    TLambdaThread thread([&](TLambdaThread&) {
        answer = SendMessage(window, WM_USER, 21, 0);
        PostMessage(window, WM_USER, 0, 0);
    });
    thread.Resume();
    EXPECT_TRUE(thread.WaitFor(5000));
    EXPECT_EQ(answer.load(), 42);
    ProcessMessages();
    EXPECT_EQ(handled.load(), 2);
    DestroyWindowHandle(window);
}

TEST_F(ThreadTest, AnEndedThreadsWindowsAreGone) {
    std::atomic<HWND> window{0};
    TLambdaThread thread([&](TLambdaThread&) {
        window = CreateWindowHandle([](HWND, uint32_t, uintptr_t, intptr_t) { return 1; });
    });
    thread.Resume();
    ASSERT_TRUE(thread.WaitFor(5000));
    ASSERT_NE(window.load(), 0u);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessage(window, WM_USER, 0, 0));
}

TEST_F(ThreadTest, DestructorStopsARunningThread) {
    std::atomic<bool> stopped{false};
    {
        TLambdaThread thread([&](TLambdaThread& self) {
            while (!self.Terminated())
                Sleep(1);
            stopped = true;
        });
        thread.Resume();
        Sleep(10);
    }
    EXPECT_TRUE(stopped.load());
}

TEST_F(ThreadTest, CriticalSectionExcludesOtherThreadsButNotItsOwner) {
    TCriticalSection section;
    std::atomic<int> result{-1};
    {
        TLock lock(section);
        EXPECT_TRUE(section.TryEnter()); // the owner may enter again
        section.Leave();
        TLambdaThread other([&](TLambdaThread&) { result = section.TryEnter() ? 1 : 0; });
        other.Resume();
        ASSERT_TRUE(other.WaitFor(5000));
        EXPECT_EQ(result.load(), 0);
    }
    TLambdaThread other([&](TLambdaThread&) {
        result = section.TryEnter() ? 1 : 0;
        if (result)
            section.Leave();
    });
    other.Resume();
    ASSERT_TRUE(other.WaitFor(5000));
    EXPECT_EQ(result.load(), 1);

    // Mutual exclusion under contention: unguarded increments would lose updates.
    long counter = 0;
    auto body = [&](TLambdaThread&) {
        for (int i = 0; i < 20000; ++i) {
            TLock lock(section);
            counter = counter + 1;
        }
    };
    TLambdaThread a(body), b(body);
    a.Resume();
    b.Resume();
    ASSERT_TRUE(a.WaitFor(10000));
    ASSERT_TRUE(b.WaitFor(10000));
    EXPECT_EQ(counter, 40000);
}

} // namespace
