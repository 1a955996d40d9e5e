// Polling threads: the split of devices over threads, starting and stopping, the poll interval,
// the block tag read through the kernel's tag calls, what a pass hands to the window and the
// shared terminal, and real threads serving commands and imitating values.
#include "core/driver/ThreadsList.h"
#include "core/polling/DeviceThread.h"
#include "core/polling/ImitatorVariables.h"
#include "core/polling/KernelTagApi.h"
#include "platform/WindowMessages.h"
#include "tests/core/polling/PollingWorld.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

namespace {

using TProperties = std::vector<std::pair<std::string, std::string>>;

std::vector<std::vector<std::string>> Groups(const TThreadsList& threads) {
    std::vector<std::vector<std::string>> groups;
    for (int32_t i = 0; i < threads.Count(); ++i) {
        std::vector<std::string> names;
        const TDeviceList& devices = *threads.Thread(i)->Devices;
        for (int32_t d = 0; d < devices.Count(); ++d) {
            names.push_back(devices.Device(d)->DeviceName + "#" +
                            std::to_string(devices.Device(d)->Index));
        }
        groups.push_back(names);
    }
    return groups;
}

TEST(ThreadsList, DevicesAreSplitByPortValue) {
    struct Case {
        std::vector<const char*> Ports;
        bool PerPort;
        std::vector<std::vector<std::string>> Groups;
    };
    const std::vector<Case> cases = {
        {{"COM1", "COM2", "COM1"}, true, {{"D0#0", "D2#2"}, {"D1#1"}}},
        {{"COM1", "com1"}, true, {{"D0#0"}, {"D1#1"}}},
        {{"COM2", "COM1", "COM2", "COM3"}, true, {{"D0#0", "D2#2"}, {"D1#1"}, {"D3#3"}}},
        {{"COM1", "COM2", "COM1"}, false, {{"D0#0", "D1#1", "D2#2"}}},
        {{}, true, {}},
        {{}, false, {}},
    };
    for (const Case& c : cases) {
        TTestDriver driver;
        for (size_t i = 0; i < c.Ports.size(); ++i) {
            driver.AddDevice("D" + std::to_string(i), {{"RS232Port", c.Ports[i]}});
        }
        TThreadsList threads;
        threads.CreateThreads(*driver.Devices, c.PerPort);
        EXPECT_EQ(Groups(threads), c.Groups);
        EXPECT_EQ(driver.Devices->Count(), int32_t(c.Ports.size())); // the driver keeps its own
        EXPECT_FALSE(threads.Running);
    }
}

TEST(ThreadsList, StopAllReturnsAtOnceForThreadsThatNeverRan) {
    TTestDriver driver;
    driver.AddDevice("D0", {{"RS232Port", "COM1"}});
    driver.AddDevice("D1", {{"RS232Port", "COM2"}});
    TThreadsList threads;
    threads.CreateThreads(*driver.Devices, true);
    ASSERT_EQ(threads.Count(), 2);
    const uint32_t start = platform::GetTickCount();
    threads.StopAll();
    EXPECT_LT(platform::TicksSince(start), 1000u); // far below the 3000 ms a running thread gets
    EXPECT_FALSE(threads.Running);
    EXPECT_EQ(threads.Count(), 2);
    EXPECT_EQ(driver.World->PollsOf("D0"), 0);
}

// The kernel's tag calls, faked: one known tag whose value the test sets.
struct TFakeKernel {
    std::atomic<double> Value{0};
    std::atomic<int32_t> Lookups{0};
    std::atomic<int32_t> Reads{0};
};
TFakeKernel Kernel;

int32_t FakeTagInfo(const char* name, void* info) {
    ++Kernel.Lookups;
    auto* record = static_cast<TKernelTagInfo*>(info);
    if (record->Size.Get() != 3702) {
        return -1;
    }
    if (std::string(name) != "BLOCK1") {
        return -2;
    }
    record->GlobalIndex.Set(17);
    return 0;
}

int32_t FakeTagValue(int32_t globalIndex, void* value) {
    ++Kernel.Reads;
    auto* record = static_cast<TKernelTagValue*>(value);
    if (record->Size.Get() != 44 || globalIndex != 17) {
        return -1;
    }
    record->Value.Set(Kernel.Value.load());
    return 0;
}

class ThreadPass : public testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(OwnInstance());
        Kernel.Value = 0;
        Kernel.Lookups = 0;
        Kernel.Reads = 0;
        SetKernelTagApi({FakeTagInfo, FakeTagValue});
        Block.BuildIndex();
    }
    void TearDown() override { SetKernelTagApi({}); }

    TDeviceThread& OneThread(const TProperties& properties) {
        Driver.AddDevice("D0", properties);
        Threads.CreateThreads(*Driver.Devices, false);
        return *Threads.Thread(0);
    }

    TTestBlock Block{{{"T0", "P: DEVICE=1; ADDRESS=1"}}};
    TTestDriver Driver;
    TThreadsList Threads;
};

TEST_F(ThreadPass, BlockTagDisablesAndEnablesTheDevice) {
    TRefreshWindow window;
    ServerRuntime().SelectedDeviceIndex = 0;
    Block.Channel->Terminal.SetOwner(0);
    TDeviceThread& thread =
        OneThread({{"VarBlockCommand", " BLOCK1 "}, {"IPPort", "0"}, {"RS232Port", "COM7"}});
    struct Step {
        double Value;
        bool Polled;
    };
    // Values are taken to the nearest integer, ties to even: 0.5 and -0.4 enable, 1.5 does not.
    const std::vector<Step> steps = {{1, false},   {1, false},   {0, true}, {0.5, true},
                                     {1.5, false}, {-0.4, true}, {2, false}};
    int32_t polls = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        Kernel.Value = steps[i].Value;
        thread.PollDevices();
        polls += steps[i].Polled ? 1 : 0;
        EXPECT_EQ(Driver.World->PollsOf("D0"), polls) << i;
        EXPECT_EQ(thread.Devices->Device(0)->Enabled, steps[i].Polled) << i;
        if (!steps[i].Polled) {
            const TSelectedDeviceTexts texts = window.Texts.back();
            EXPECT_EQ(texts.RequestsText, "Device disabled!!!");
            EXPECT_EQ(texts.RequestCycleText, "-----");
            EXPECT_EQ(texts.RequestTimeOutText, "-----");
            EXPECT_EQ(texts.LinkStateText, "False");
            EXPECT_EQ(Block.Channel->Terminal.Read(), "Device disabled!!!");
        }
    }
    EXPECT_EQ(Driver.World->BlockChanges,
              (std::vector<std::pair<std::string, bool>>{
                  {"D0", false}, {"D0", true}, {"D0", false}, {"D0", true}, {"D0", false}}));
    EXPECT_EQ(Kernel.Lookups, 1);
    EXPECT_EQ(window.Messages, std::vector<uintptr_t>(steps.size(), 0));
    TTerminalInfo info;
    ASSERT_TRUE(Block.Channel->Terminal.GetInfo(0, info));
    EXPECT_EQ(info.Caption.Get(), "COM7");
    EXPECT_EQ(info.LinkUp, 1);
    EXPECT_TRUE(Block.Reporter->Reports().empty());
}

TEST_F(ThreadPass, UnknownBlockTagIsReportedOnceAndTheEnabledPropertyGoverns) {
    for (const bool installed : {true, false}) {
        TTestBlock block{{}};
        block.BuildIndex();
        TTestDriver driver;
        SetKernelTagApi(installed ? TKernelTagApi{FakeTagInfo, FakeTagValue} : TKernelTagApi{});
        Kernel.Lookups = 0;
        driver.AddDevice("D0", {{"VarBlockCommand", "NOPE"}});
        driver.AddDevice("D1", {{"VarBlockCommand", "NOPE"}, {"Enabled", "FALSE"}});
        TThreadsList threads;
        threads.CreateThreads(*driver.Devices, false);
        for (int pass = 0; pass < 3; ++pass) {
            threads.Thread(0)->PollDevices();
        }
        EXPECT_EQ(block.Reporter->Reports(),
                  (std::vector<std::pair<int32_t, std::string>>(
                      2, {-32, Ansi("Ошибка в имени тега блокировки доступа к устройству.")})));
        EXPECT_EQ(Kernel.Lookups, installed ? 2 : 0);
        EXPECT_EQ(driver.World->PollsOf("D0"), 3);
        EXPECT_EQ(driver.World->PollsOf("D1"), 0);
        EXPECT_EQ(threads.Thread(0)->Devices->Device(0)->BlockTagIndex, -100);
    }
}

TEST_F(ThreadPass, PollOfTheSelectedDeviceIsHandedToTheWindowAndTheTerminal) {
    TRefreshWindow window;
    ServerRuntime().SelectedDeviceIndex = 0;
    Block.Channel->Terminal.SetOwner(0);
    TDeviceThread& thread =
        OneThread({{"DeviceIPAddress", "10.0.0.1"}, {"IPPort", "161"}, {"RS232Port", "COM7"}});
    thread.PollDevices();
    ASSERT_EQ(window.Messages, std::vector<uintptr_t>{0});
    const TDevice& device = *thread.Devices->Device(0);
    const TSelectedDeviceTexts& texts = window.Texts[0];
    EXPECT_EQ(texts.RequestsText, device.RequestTerminal.GetText());
    EXPECT_EQ(texts.RequestCycleText, std::to_string(thread.Devices->Item(0)->LastInterval));
    EXPECT_EQ(texts.RequestTimeOutText, std::to_string(thread.Devices->Item(0)->LastDuration));
    EXPECT_EQ(texts.LinkStateText, "True");
    EXPECT_EQ(Block.Channel->Terminal.Read(), device.RequestTerminal.GetText());
    TTerminalInfo info;
    ASSERT_TRUE(Block.Channel->Terminal.GetInfo(0, info));
    EXPECT_EQ(info.Caption.Get(), "10.0.0.1:161");

    // Not while stopping, nor for a device the window does not show.
    ServerRuntime().Stopping = true;
    thread.PollDevices();
    ServerRuntime().Stopping = false;
    ServerRuntime().SelectedDeviceIndex = 5;
    Block.Channel->Terminal.SetOwner(5);
    const int32_t counter = Block.Channel->Terminal.GetCounter();
    thread.PollDevices();
    EXPECT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(Block.Channel->Terminal.GetCounter(), counter);
    EXPECT_EQ(Driver.World->PollsOf("D0"), 2);
}

TEST_F(ThreadPass, PassStopsWhenTheServerStopsOrABatchArrives) {
    Driver.AddDevice("D0", {{"RoutingPrefix", "P"}, {"DeviceAddress", "1"}});
    Driver.AddDevice("D1", {{"RoutingPrefix", "P"}, {"DeviceAddress", "2"}});
    Threads.CreateThreads(*Driver.Devices, false);
    TDeviceThread& thread = *Threads.Thread(0);
    ServerRuntime().Stopping = true;
    thread.PollDevices();
    EXPECT_EQ(Driver.World->PollsOf("D0"), 0);
    ServerRuntime().Stopping = false;

    TCommandsList& section = Block.Channel->Commands;
    section.Reset();
    section.SetDeviceName("P");
    TCommandRecord command{};
    command.DeviceName.Set("P");
    command.DeviceAddress.Set(2);
    section.Add(command);
    section.Commit();
    thread.PollDevices();
    EXPECT_EQ(Driver.World->PollsOf("D0"), 0);
    EXPECT_EQ(Driver.World->PollsOf("D1"), 0);
}

// A device is due again only ReqwestInterval ms after the start of its previous poll.
TEST_F(ThreadPass, RunningThreadKeepsTheRequestInterval) {
    Driver.AddDevice("Slow", {{"ReqwestInterval", "150"}});
    Driver.AddDevice("Fast", {{"ReqwestInterval", "0"}});
    Threads.CreateThreads(*Driver.Devices, false);
    Threads.ResumeAll();
    EXPECT_TRUE(Threads.Running);
    const uint32_t start = platform::GetTickCount();
    while (Driver.World->PollsOf("Slow") < 4 && platform::TicksSince(start) < 5000) {
        platform::Sleep(10);
    }
    Threads.StopAll();
    EXPECT_FALSE(Threads.Running);
    EXPECT_FALSE(Threads.Thread(0)->Running);
    EXPECT_TRUE(Threads.Thread(0)->Finished());

    const std::vector<uint32_t> ticks = Driver.World->PollTicks["Slow"];
    ASSERT_GE(ticks.size(), 4u);
    for (size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i] - ticks[i - 1], 148u) << i; // the two clocks may differ by a tick
    }
    EXPECT_GT(Driver.World->PollsOf("Fast"), int32_t(ticks.size()));
}

// The window's thread stops the threads while one of them is sending it a refresh: the wait
// answers the send, so the polling thread finishes instead of holding the stop to its bound.
TEST_F(ThreadPass, StoppingAnswersTheRefreshesOfAThreadThatIsStillPolling) {
    TRefreshWindow window;
    ServerRuntime().SelectedDeviceIndex = 0;
    Driver.AddDevice("Shown", {{"ReqwestInterval", "0"}});
    Threads.CreateThreads(*Driver.Devices, false);
    Threads.ResumeAll();
    const uint32_t start = platform::GetTickCount();
    while (Driver.World->PollsOf("Shown") < 3 && platform::TicksSince(start) < 5000) {
        platform::WaitMessage(5); // answers the refreshes
    }
    ASSERT_GE(Driver.World->PollsOf("Shown"), 3);
    // Not answering for a while leaves the thread waiting inside its next refresh.
    platform::Sleep(100);
    const size_t answered = window.Messages.size();
    Threads.StopAll();
    EXPECT_TRUE(Threads.Thread(0)->Finished());
    EXPECT_FALSE(Threads.Thread(0)->Running);
    EXPECT_GT(window.Messages.size(), answered); // the stop's wait answered it
}

TEST_F(ThreadPass, RunningThreadServesAPostedBatch) {
    Block.AddDynamicTag("STATE");
    Driver.AddDevice("D0", {{"RoutingPrefix", "p"},
                            {"DeviceAddress", "1"},
                            {"CommandStateName", "STATE"},
                            {"ReqwestInterval", "50"}});
    Threads.CreateThreads(*Driver.Devices, false);
    Threads.ResumeAll();
    TCommandsList& section = Block.Channel->Commands;
    section.Reset();
    section.SetDeviceName("P");
    TCommandRecord command{};
    command.DeviceName.Set("P");
    command.DeviceAddress.Set(1);
    command.Address.Set(1);
    command.Value.Set(12.5f);
    section.Add(command);
    section.Commit();
    const uint32_t start = platform::GetTickCount();
    while (section.GetState() != CommandDone && platform::TicksSince(start) < 5000) {
        platform::Sleep(5);
    }
    Threads.StopAll();
    EXPECT_EQ(section.GetState(), CommandDone);
    EXPECT_EQ(Block.StaticValue(0), 12.5f);
    EXPECT_EQ(Block.DynamicValue("STATE"), 1.0f);
}

// Imitator mode on a real thread: ramp values reach the static tags divided by their scale and
// inverted where the tag says so.
TEST(ImitatorThread, WritesScaledAndInvertedValues) {
    ASSERT_TRUE(OwnInstance());
    TTestBlock block{{{"Scaled", "IMI: DEVICE=1; ADDRESS=1", 2.0f, false, 0, 0, 100},
                      {"Inverted", "IMI: DEVICE=1; ADDRESS=2", 0, true, 1, 0, 1},
                      {"Other", "IMI: DEVICE=2; ADDRESS=1"}}};
    block.BuildIndex();
    DriverOptions().ImitatorMode = true;
    DriverOptions().ImitatorRate = 0;
    TTestDriver driver;
    driver.AddDevice("Imi", {{"RoutingPrefix", "Imi"}, {"DeviceAddress", "1"}});
    TThreadsList threads;
    threads.CreateThreads(*driver.Devices, false);
    threads.ResumeAll();
    const uint32_t start = platform::GetTickCount();
    while (!(block.StaticValue(0) > 1.0f) && platform::TicksSince(start) < 5000) {
        platform::Sleep(5);
    }
    threads.StopAll();
    DriverOptions().ImitatorMode = false;
    DriverOptions().ImitatorRate = -1;

    ASSERT_NE(threads.Thread(0)->Devices->Device(0)->ImitatorVariables, nullptr);
    const TImitatorVariableList& items = *threads.Thread(0)->Devices->Device(0)->ImitatorVariables;
    ASSERT_EQ(items.Count(), 2);
    // The last poll wrote step (Step - 1) of each ramp; the steps move together.
    const int32_t last = (items.Item(0)->Step + 100) % 101;
    ASSERT_GT(last, 1);
    EXPECT_EQ(block.StaticValue(0), float(100.0 * last / 100.0) / 2.0f);
    EXPECT_EQ(block.StaticValue(1), 0.0f); // 0.01 * last is not 0
    EXPECT_EQ(block.StaticValue(2), -1.0f);
    EXPECT_TRUE(block.Reporter->Reports().empty());
}

} // namespace
