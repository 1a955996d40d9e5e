// Commands posted in the shared command section: the hand-over 1 -> 2 -> 3 over the passes of a
// polling thread, the commanded value and the old value in the static tag, the command-state tag,
// the command terminal and its hand-over to the server window, and the failure paths.
#include "core/driver/ThreadsList.h"
#include "core/polling/DeviceThread.h"
#include "platform/WindowMessages.h"
#include "tests/core/polling/PollingWorld.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TCommandRecord Command(const std::string& prefix, int32_t device, int32_t address, float value,
                       float oldValue) {
    TCommandRecord record{};
    record.TagId.Set(1000 + address);
    record.DeviceName.Set(prefix);
    record.DeviceAddress.Set(device);
    record.Address.Set(address);
    record.Segment.Set("");
    record.Value.Set(value);
    record.Value2.Set(oldValue);
    return record;
}

class Commands : public testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(OwnInstance());
        platform::SetClock(&Clock);
        Block.AddDynamicTag("CMDSTATE");
        Block.BuildIndex();
        Driver.AddDevice("Other", {{"RoutingPrefix", "OTHER"}, {"DeviceAddress", "1"}});
        Driver.AddDevice(
            "Dev",
            {{"RoutingPrefix", "cmd"}, {"DeviceAddress", "1"}, {"CommandStateName", " CmdState "}});
        // Polls do not interfere: the devices are never due.
        for (int32_t i = 0; i < Driver.Devices->Count(); ++i) {
            Driver.Devices->Device(i)->Properties->SetProperty("ReqwestInterval", "1000000", 1);
        }
        DriverOptions().TerminalTextMode = true;
    }
    void TearDown() override {
        DriverOptions().TerminalTextMode = false;
        platform::SetClock(nullptr);
    }

    void Post(const std::string& prefix, const std::vector<TCommandRecord>& batch) {
        TCommandsList& section = Block.Channel->Commands;
        section.Reset();
        section.SetDeviceName(prefix);
        for (const TCommandRecord& command : batch) {
            ASSERT_TRUE(section.Add(command));
        }
        ASSERT_TRUE(section.Commit());
    }
    TDeviceThread& MakeThread() {
        Threads.CreateThreads(*Driver.Devices, false);
        return *Threads.Thread(0);
    }
    uint8_t State() const { return Block.Channel->Commands.GetState(); }
    std::vector<std::string> CommandLines(TDeviceThread& thread) const {
        return Lines(thread.Devices->Device(1)->CommandTerminal.GetText());
    }

    TManualClock Clock;
    TTestBlock Block{{{"T5", "CMD: DEVICE=1; ADDRESS=5"},
                      {"T6", "CMD: DEVICE=1; ADDRESS=6"},
                      {"T7", "CMD: DEVICE=1; ADDRESS=7"}}};
    TTestDriver Driver;
    TThreadsList Threads;
};

TEST_F(Commands, BatchOfThreeIsTakenExecutedInOrderAndMarkedDone) {
    TRefreshWindow window;
    ServerRuntime().SelectedDeviceIndex = 1;
    Post("CMD",
         {Command("CMD", 1, 5, 50, 1), Command("CMD", 1, 6, 60, 2), Command("CMD", 1, 7, 70, 3)});
    TDeviceThread& thread = MakeThread();

    const std::vector<uint8_t> states = {2, 2, 3};
    for (size_t pass = 0; pass < states.size(); ++pass) {
        thread.RunPass();
        EXPECT_EQ(State(), states[pass]) << pass;
        EXPECT_EQ(thread.CommandStatus, 3);
        EXPECT_EQ(Block.StaticValue(int32_t(pass)), 50.0f + 10.0f * float(pass));
    }
    EXPECT_EQ(Block.DynamicValue("CMDSTATE"), 1.0f);
    EXPECT_EQ(Block.StaticValue(2), 70.0f);
    EXPECT_EQ(thread.Commands->Count(), 0);
    EXPECT_FALSE(thread.Commands->AckPending);
    EXPECT_EQ(thread.Commands->Snapshot.DeviceName.Get(), "CMD");
    EXPECT_EQ(CommandLines(thread),
              (std::vector<std::string>{Ansi("Запись команды...."), "Opened", "Disconnected",
                                        Ansi("Команда успешно обработана."),
                                        "Command is successful procesed.",
                                        Ansi("Время на обслуживание команды 0")}));
    // Each command hands its terminal to the window (wParam 1).
    ASSERT_EQ(window.Messages, (std::vector<uintptr_t>{1, 1, 1}));
    EXPECT_EQ(window.Texts.back().CommandsText,
              thread.Devices->Device(1)->CommandTerminal.GetText());
    EXPECT_TRUE(Block.Reporter->Reports().empty());

    // The next pass polls again: nothing is posted any more.
    thread.RunPass();
    EXPECT_EQ(State(), 3);
}

TEST_F(Commands, OutcomesShowInTheTagsAndTheTerminal) {
    struct Case {
        const char* Name;
        std::function<void(TWorld&)> Setup;
        uint8_t Status;
        float TagValue;
        float StateTag;
        std::vector<const char*> Lines;
        int32_t Reports8;
    };
    const std::vector<Case> cases = {
        {"device rejects the command",
         [](TWorld& w) {
             w.Script.CommandMessages = {{"SET", true}};
             w.Script.CommandParse = {-1};
             w.Link->Reads = {{2, "NO"}};
         },
         2,
         1,
         3,
         {"Запись команды....", "Opened", "Write to device: SET", "Read from device: 2 NO",
          "Disconnected", "Команда устройством не обработана.", "Command not supported.",
          "Время на обслуживание команды 0"},
         1},
        {"device does not answer",
         [](TWorld& w) {
             w.Script.CommandMessages = {{"SET", true}};
         },
         1,
         1,
         2,
         {"Запись команды....", "Opened", "Write to device: SET", "Disconnected",
          "Команда устройством не обработана.", "No connection to device.",
          "Время на обслуживание команды 0"},
         1},
        {"connection does not open",
         [](TWorld& w) { w.Link->OpenFails = true; },
         1,
         1,
         2,
         {"Запись команды....", "Not opened", "Ошибка при создании класса доступа к устройству.",
          "Команда устройством не обработана.", "No connection to device.",
          "Время на обслуживание команды 0"},
         1},
        {"no connection object",
         [](TWorld& w) { w.Link->CreateFails = true; },
         1,
         1,
         2,
         {"Запись команды....", "Ошибка при создании класса доступа к устройству.",
          "No connection to device.", "Время на обслуживание команды 0"},
         1},
        {"server stopping",
         [](TWorld&) { ServerRuntime().Stopping = true; },
         0,
         1,
         2,
         {"Запись команды....", "No connection to device.", "Время на обслуживание команды 0"},
         1},
        {"handled by the device itself",
         [](TWorld& w) { w.Script.HandleLocally = true; },
         3,
         50,
         1,
         {"Запись команды....", "Command is successful procesed.",
          "Время на обслуживание команды 0"},
         0},
        {"written and answered",
         [](TWorld& w) {
             w.Script.CommandMessages = {{"SET", true}, {"GO", false}};
             w.Link->Reads = {{2, "OK"}};
         },
         3,
         50,
         1,
         {"Запись команды....", "Opened", "Write to device: SET", "Read from device: 2 OK",
          "Write to device: GO", "Disconnected", "Команда успешно обработана.",
          "Command is successful procesed.", "Время на обслуживание команды 0"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestBlock block{{{"T5", "CMD: DEVICE=1; ADDRESS=5"}}};
        block.AddDynamicTag("CMDSTATE");
        block.BuildIndex();
        TTestDriver driver;
        driver.AddDevice("Dev", {{"RoutingPrefix", "CMD"},
                                 {"DeviceAddress", "1"},
                                 {"CommandStateName", "CMDSTATE"},
                                 {"ReqwestInterval", "1000000"}});
        c.Setup(*driver.World);
        TCommandsList& section = block.Channel->Commands;
        section.Reset();
        section.SetDeviceName("CMD");
        section.Add(Command("CMD", 1, 5, 50, 1));
        section.Commit();

        TThreadsList threads;
        threads.CreateThreads(*driver.Devices, false);
        TDeviceThread& thread = *threads.Thread(0);
        thread.RunPass();
        ServerRuntime().Stopping = false;
        EXPECT_EQ(thread.CommandStatus, c.Status);
        EXPECT_EQ(block.StaticValue(0), c.TagValue);
        EXPECT_EQ(block.DynamicValue("CMDSTATE"), c.StateTag);
        std::vector<std::string> expected;
        for (const char* line : c.Lines) {
            expected.push_back(Ansi(line));
        }
        EXPECT_EQ(Lines(thread.Devices->Device(0)->CommandTerminal.GetText()), expected);
        EXPECT_EQ(block.Reporter->CountOf(-8), c.Reports8);
        if (c.Reports8 > 0) {
            EXPECT_EQ(block.Reporter->Reports().back(),
                      std::make_pair(-8, Ansi("Ошибка обработки команды (Адрес=-1).")));
        }
        EXPECT_EQ(section.GetState(), 3);
    }
}

TEST_F(Commands, BatchForNoDeviceOfTheThreadStaysPosted) {
    Post("CMD", {Command("CMD", 2, 5, 50, 1)});
    TDeviceThread& thread = MakeThread();
    EXPECT_EQ(PendingCommandDevice(*thread.Devices), -1);
    thread.RunPass();
    EXPECT_EQ(State(), 1);
    EXPECT_EQ(thread.Commands->Count(), 0);

    // Fetching for another prefix or address leaves it too.
    FetchCommands(*thread.Commands, "OTHER", 2);
    FetchCommands(*thread.Commands, "CMD", 1);
    EXPECT_EQ(State(), 1);
    EXPECT_EQ(thread.Commands->Count(), 0);
}

TEST_F(Commands, CommandForAnUnknownSegmentIsDroppedAndTheBatchStillCompletes) {
    Post("CMD", {Command("NOWHERE", 1, 5, 50, 1), Command("CMD", 1, 6, 60, 2)});
    TDeviceThread& thread = MakeThread();
    thread.RunPass();
    EXPECT_EQ(thread.CommandStatus, 0);
    EXPECT_EQ(Block.Reporter->Reports(), (std::vector<std::pair<int32_t, std::string>>{
                                             {-1, Ansi("Неизвестное имя сегмента для команды.")}}));
    EXPECT_TRUE(thread.Devices->Device(1)->CommandTerminal.GetText().empty());
    EXPECT_EQ(State(), 2);
    thread.RunPass();
    EXPECT_EQ(State(), 3);
    EXPECT_EQ(Block.StaticValue(1), 60);
}

TEST_F(Commands, AcknowledgementWaitsForTheTakenState) {
    Post("CMD", {Command("CMD", 1, 5, 50, 1)});
    TDeviceThread& thread = MakeThread();
    // The plug-in gives up on the batch (resets the section) while the command runs.
    FetchCommands(*thread.Commands, "cmd", 1);
    EXPECT_EQ(State(), 2);
    Block.Channel->Commands.Reset();
    thread.RunPass();
    EXPECT_TRUE(thread.Commands->AckPending);
    EXPECT_EQ(State(), 0);
    AcknowledgeCommands(*thread.Commands);
    EXPECT_TRUE(thread.Commands->AckPending);
    EXPECT_EQ(State(), 0);
}

} // namespace
