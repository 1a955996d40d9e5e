// The two reporters: the plug-in's into its log and its log window (message 3246), the server's
// into the shared error section and its window (message 1246), from polling threads too.
#include "core/errors/DriverError.h"
#include "core/errors/ErrorTexts.h"
#include "core/intercom/IntercomInterface.h"

#include "platform/AnsiText.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The windows of this test process live in an instance of their own.
const bool InstanceSet = [] {
    const std::string instance = "t" + std::to_string(platform::GetCurrentProcessId());
    return setenv("VANTORELIX_INSTANCE", instance.c_str(), 1) == 0;
}();

struct TReceived {
    uint32_t Message;
    uintptr_t WParam;
    int32_t Code;
    std::string Text;
    double Time = 0;
    int32_t Size = 0;
};

// A window on the test's thread that keeps what the reporters send it.
class TRecordingWindow {
public:
    TRecordingWindow() {
        Handle = platform::CreateWindowHandle(
            [this](platform::HWND, uint32_t msg, uintptr_t wParam, intptr_t lParam) -> intptr_t {
                TReceived received{msg, wParam, 0, {}};
                if (msg == DriverLogMessage) {
                    const auto* record = reinterpret_cast<const TErrorNotification*>(lParam);
                    received.Code = record->Code.Get();
                    received.Text = record->Text.Get();
                    received.Time = record->Time.Get();
                    received.Size = record->Size.Get();
                } else if (msg == ServerErrorMessage) {
                    received.Code = int32_t(intptr_t(wParam));
                    received.Text = reinterpret_cast<const char*>(lParam);
                }
                Received.push_back(received);
                return 0;
            });
    }
    ~TRecordingWindow() { platform::DestroyWindowHandle(Handle); }

    platform::HWND Handle = 0;
    std::vector<TReceived> Received;
};

class DriverErrorTest : public testing::Test {
protected:
    void SetUp() override { SetLogWindowHandle(Window.Handle); }
    void TearDown() override { SetLogWindowHandle(0); }

    TRecordingWindow Window;
    TDriverErrorClass Reporter;
};

TEST_F(DriverErrorTest, ReportReachesTheLogAndTheLogWindow) {
    ASSERT_NE(Window.Handle, 0u);
    Reporter.Report(-13, 5);
    const std::string text = platform::Utf8ToAnsi("Панель 5 не отвечает");
    EXPECT_EQ(Reporter.GetLogText(), "-13: " + text);
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].Message, 3246u);
    EXPECT_EQ(Window.Received[0].WParam, 2222u);
    EXPECT_EQ(Window.Received[0].Size, 1048);
    EXPECT_EQ(Window.Received[0].Code, -13);
    EXPECT_EQ(Window.Received[0].Text, text);
    EXPECT_NEAR(Window.Received[0].Time, platform::Now(), 1.0 / 86400);

    Reporter.ReportText(-1, "second");
    EXPECT_EQ(Reporter.GetLogText(), "-13: " + text + "\r\n-1: second");
    EXPECT_EQ(Window.Received.size(), 2u);
}

TEST_F(DriverErrorTest, WhatIsNotReported) {
    Reporter.Report(0, 0); // success is not an error in the plug-in
    Reporter.Enabled = false;
    Reporter.Report(-5, 0);
    Reporter.ReportText(-1, "off");
    EXPECT_EQ(Reporter.GetLogText(), "");
    EXPECT_TRUE(Window.Received.empty());

    Reporter.Enabled = true;
    SetLogWindowHandle(0);
    Reporter.ReportText(-1, "no window");
    EXPECT_EQ(Reporter.GetLogText(), "-1: no window");
    EXPECT_TRUE(Window.Received.empty());
}

TEST_F(DriverErrorTest, ExceptionMessageIsTheTextEvenForCodeZero) {
    const std::runtime_error error("socket closed");
    Reporter.Report(0, 0, &error);
    EXPECT_EQ(Reporter.GetLogText(), "0: socket closed");
}

TEST_F(DriverErrorTest, LongTextReachesTheLogWholeAndTheWindowCut) {
    std::string text(2000, 'm');
    text[1023] = 'E';
    Reporter.ReportText(-2, text);
    EXPECT_EQ(Reporter.GetLogText(), "-2: " + text);
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].Text, text.substr(0, 1024));
}

TEST_F(DriverErrorTest, ReportFromAnotherThreadWaitsForTheWindow) {
    std::atomic<bool> done{false};
    std::thread driverThread([&] {
        Reporter.ReportText(-26, "from the driver thread");
        done = true;
    });
    const uint32_t start = platform::GetTickCount();
    while (!done && platform::TicksSince(start) < 10000) {
        platform::WaitMessage(10);
    }
    driverThread.join();
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].Text, "from the driver thread");
    EXPECT_EQ(Reporter.GetLogText(), "-26: from the driver thread");
}

class ServerErrorTest : public testing::Test {
protected:
    void SetUp() override { Reporter.Window = Window.Handle; }

    std::vector<uint8_t> Memory = std::vector<uint8_t>(BlockSize(0));
    std::unique_ptr<TIntercomInterface> Channel = TIntercomInterface::OverMemory(
        Memory.data(), Memory.size(), TIntercomInterface::TAttachMode::Create, 0);
    TRecordingWindow Window;
    TServerErrorClass Reporter{Channel.get()};
};

TEST_F(ServerErrorTest, PollingThreadReportReachesTheWindowAndTheErrorSection) {
    std::atomic<bool> done{false};
    std::thread pollingThread([&] {
        Reporter.Report(-13, 2);
        Reporter.ReportText(-1, "link lost");
        done = true;
    });
    const uint32_t start = platform::GetTickCount();
    while (!done && platform::TicksSince(start) < 10000) {
        platform::WaitMessage(10);
    }
    pollingThread.join();

    const std::string panel = platform::Utf8ToAnsi("Панель 2 не отвечает");
    ASSERT_EQ(Window.Received.size(), 2u);
    EXPECT_EQ(Window.Received[0].Message, 1246u);
    EXPECT_EQ(Window.Received[0].Code, -13);
    EXPECT_EQ(Window.Received[0].Text, panel);
    EXPECT_EQ(Window.Received[1].Code, -1);
    EXPECT_EQ(Window.Received[1].Text, "link lost");

    TServerErrorListLayout copy{};
    ASSERT_TRUE(Channel->Errors.ReadAll(copy, true));
    ASSERT_EQ(copy.UsedCount(), 2);
    EXPECT_EQ(copy.Entries[0].Code.Get(), -13);
    EXPECT_EQ(copy.Entries[0].Text.Get(), panel);
    EXPECT_EQ(copy.Entries[1].Text.Get(), "link lost");
    EXPECT_EQ(Reporter.GetLogText(), "") << "the server's reporter keeps no log of its own";
}

TEST_F(ServerErrorTest, CodeZeroIsReportedByTheServer) {
    Reporter.Report(0, 0);
    ASSERT_EQ(Channel->Errors.Count(), 1);
    TServerErrorListLayout copy{};
    Channel->Errors.ReadAll(copy, false);
    EXPECT_EQ(copy.Entries[0].Code.Get(), 0);
    EXPECT_EQ(copy.Entries[0].Text.Get(), GetErrorText(0, 0));
    EXPECT_EQ(Window.Received.size(), 1u);
}

TEST_F(ServerErrorTest, NothingIsReportedWhenDisabledOrWithoutChannel) {
    Reporter.Enabled = false;
    Reporter.Report(-5, 0);
    Reporter.ReportText(-1, "off");
    Reporter.Enabled = true;
    Reporter.Channel = nullptr;
    Reporter.Report(-5, 0);
    Reporter.ReportText(-1, "no channel");
    EXPECT_EQ(Channel->Errors.Count(), 0);
    EXPECT_TRUE(Window.Received.empty());
}

TEST_F(ServerErrorTest, FullSectionDropsTheEntryButTheWindowStillHearsIt) {
    for (int i = 0; i < 100; ++i) {
        Channel->Errors.Add(-1, "fill");
    }
    Reporter.ReportText(-32, "one more");
    EXPECT_EQ(Channel->Errors.Count(), 100);
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].Text, "one more");
}

TEST(ErrorMngrDisabled, SwitchesTheTwoReportersInOppositeSenses) {
    std::vector<uint8_t> memory(BlockSize(0));
    auto channel = TIntercomInterface::OverMemory(memory.data(), memory.size(),
                                                  TIntercomInterface::TAttachMode::Create, 0);
    for (bool option : {false, true}) {
        SCOPED_TRACE(option);
        TDriverErrorClass plugin;
        TServerErrorClass server(channel.get());
        plugin.ApplyErrorMngrDisabled(option);
        server.ApplyErrorMngrDisabled(option);
        plugin.Report(-5, 0);
        server.Report(-5, 0);
        EXPECT_EQ(plugin.GetLogText().empty(), option);
        EXPECT_EQ(channel->Errors.Count(), option ? 1 : 0);
        channel->Errors.Clear();
    }
}

} // namespace
