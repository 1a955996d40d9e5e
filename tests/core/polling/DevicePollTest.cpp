// The device polling cycle against a scripted connection: the whole terminal frame of each path
// (success, re-reads, no answer, short writes, connection failures, connect messages), the
// link-state machine and the imitator's alternating link state.
#include "core/driver/Device.h"
#include "core/driver/DeviceList.h"
#include "core/polling/ReceiveVariables.h"
#include "tests/core/polling/PollingWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// Every test runs on a clock that moves only when the cycle sleeps, so durations are exact.
class PollCycle : public testing::Test {
public:
    void SetUp() override {
        platform::SetClock(&Clock);
        SetOptions(false, false, true);
        Device = static_cast<TScriptDevice*>(Driver.AddDevice("Dev", {{"DeviceAddress", "7"}}));
    }
    void TearDown() override {
        SetOptions(false, false, false);
        platform::SetClock(nullptr);
    }
    static void SetOptions(bool imitator, bool stateChange, bool textMode) {
        TDriverOptions& options = DriverOptions();
        options.ImitatorMode = imitator;
        options.ImitatorStateChange = stateChange;
        options.ImitatorRate = -1;
        options.TerminalTextMode = textMode;
    }

    bool PollOnce() { return Device->Poll(*Driver.Devices, Received); }

    TManualClock Clock;
    TTestBlock Block{{}};
    TTestDriver Driver;
    TFakeLink& Link = *Driver.World->Link;
    TDeviceScript& Script = Driver.World->Script;
    TScriptDevice* Device = nullptr;
    TReceiveVariables Received;
};

std::vector<std::string> AnsiLines(const std::vector<const char*>& utf8) {
    std::vector<std::string> lines;
    for (const char* line : utf8) {
        lines.push_back(Ansi(line));
    }
    return lines;
}

// The lines from "CONNECTION OK" on, for a poll whose reading phase ends with `reading` and
// whose result is given: the finish with disconnect and close.
std::vector<const char*> Head(std::vector<const char*> rest) {
    std::vector<const char*> lines = {"---- START DATA READING.... ----",
                                      "Опрашивается устройство: Dev",
                                      "Opened",
                                      "",
                                      "CONNECTION ----------------",
                                      "Start connection procedure...",
                                      "End connection procedure...",
                                      "CONNECTION OK --------------",
                                      ""};
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

TEST_F(PollCycle, TerminalFrames) {
    struct Case {
        const char* Name;
        std::function<void(PollCycle&)> Setup;
        bool Result;
        std::vector<const char*> Expected;
    };
    const std::vector<Case> cases = {
        {"base device, nothing to send", [](PollCycle&) {}, true,
         Head({"", "READING DATA --------------", "READING OK --------------", "", "",
               "DICSONNECTING -----------", "Disconnected", "Запрос обработан. Время обработки: 0",
               "---- END DATA READING.... ----"})},
        {"answer accepted after one re-read",
         [](PollCycle& t) {
             t.Device->AnswerDelay = 10;
             t.Script.ReadRequests = {{"REQ", true}};
             t.Script.ReadParse = {-5, 0};
             t.Link.Reads = {{3, "abc"}, {2, "de"}};
         },
         true,
         Head({"", "READING DATA --------------", "Write to device: Index=0 REQ", "Data write OK",
               "Read from device: Length=3 abc", "Read from device: Length=5 abcde",
               "----- End of rereading data. -----", "READING OK --------------", "", "",
               "DICSONNECTING -----------", "Disconnected", "Запрос обработан. Время обработки: 20",
               "---- END DATA READING.... ----"})},
        {"answer rejected after every re-read",
         [](PollCycle& t) {
             t.Device->AnswerDelay = 10;
             t.Script.ReadRequests = {{"REQ", true}};
             t.Script.ReadParse = {-5, -5};
             t.Link.Reads = {{3, "abc"}, {2, "de"}};
         },
         false,
         Head({"", "READING DATA --------------", "Write to device: Index=0 REQ", "Data write OK",
               "Read from device: Length=3 abc", "Read from device: Length=5 abcde",
               "----- End of rereading data. -----", "Disconnected",
               "!!!Invalid received data!. Index = 0 Code = -5 Length = 5", "",
               "DICSONNECTING -----------", "Ошибка доступа к устройству. Время обработки: 20",
               "---- END DATA READING.... ----"})},
        {"a re-read without data turns the code into -12",
         [](PollCycle& t) {
             t.Script.ReadRequests = {{"A", false}, {"REQ", true}};
             t.Script.ReadParse = {-5};
             t.Link.Reads = {{3, "abc"}};
         },
         false,
         Head({"", "READING DATA --------------", "Write to device: Index=0 A", "Data write OK",
               "Write to device: Index=1 REQ", "Data write OK", "Read from device: Length=3 abc",
               "----- End of rereading data. -----", "Disconnected",
               "!!!Invalid received data!. Index = 1 Code = -12 Length = 3", "",
               "DICSONNECTING -----------", "Ошибка доступа к устройству. Время обработки: 0",
               "---- END DATA READING.... ----"})},
        {"a failing re-read passes its own result on, without re-reads nothing is re-read",
         [](PollCycle& t) {
             t.Device->RereadCount = 0;
             t.Script.ReadRequests = {{"REQ", true}};
             t.Script.ReadParse = {-3};
             t.Link.Reads = {{3, "abc"}, {2, "de"}};
         },
         false,
         Head({"", "READING DATA --------------", "Write to device: Index=0 REQ", "Data write OK",
               "Read from device: Length=3 abc", "----- End of rereading data. -----",
               "Disconnected", "!!!Invalid received data!. Index = 0 Code = -3 Length = 3", "",
               "DICSONNECTING -----------", "Ошибка доступа к устройству. Время обработки: 0",
               "---- END DATA READING.... ----"})},
        {"device silent",
         [](PollCycle& t) {
             t.Script.ReadRequests = {{"REQ", true}};
         },
         false,
         Head({"", "READING DATA --------------", "Write to device: Index=0 REQ", "Data write OK",
               "Disconnected", "Device not responded.", "", "DICSONNECTING -----------",
               "Ошибка доступа к устройству. Время обработки: 0",
               "---- END DATA READING.... ----"})},
        {"short write of a request",
         [](PollCycle& t) {
             t.Script.ReadRequests = {{"REQ", true}};
             t.Link.ShortWrites = {{0, 2}};
         },
         false,
         Head({"", "READING DATA --------------", "Write to device: Index=0 REQ",
               "Data write failure: 2", "Disconnected", "", "DICSONNECTING -----------",
               "Ошибка доступа к устройству. Время обработки: 0",
               "---- END DATA READING.... ----"})},
        {"broadcast written whole, then a short broadcast does not fail the poll",
         [](PollCycle& t) {
             t.Script.Broadcast = "ALL";
             t.Link.ShortWrites = {{0, 1}};
         },
         true,
         Head({"Broadcast request: ALL", "Broadcast failure!", "", "READING DATA --------------",
               "READING OK --------------", "", "", "DICSONNECTING -----------", "Disconnected",
               "Запрос обработан. Время обработки: 0", "---- END DATA READING.... ----"})},
        {"no connection object",
         [](PollCycle& t) { t.Link.CreateFails = true; },
         false,
         {"---- START DATA READING.... ----", "Опрашивается устройство: Dev",
          "Ошибка при создании класса доступа к устройству.",
          "Ошибка доступа к устройству. Время обработки: 0", "---- END DATA READING.... ----"}},
        {"connection does not open",
         [](PollCycle& t) { t.Link.OpenFails = true; },
         false,
         {"---- START DATA READING.... ----", "Опрашивается устройство: Dev", "Not opened",
          "Ошибка установки соединения с устройством.",
          "Ошибка доступа к устройству. Время обработки: 0", "---- END DATA READING.... ----"}},
        {"connect message answered on the second read",
         [](PollCycle& t) {
             t.Script.ConnectMessages = {{"HELLO", true}};
             t.Link.Reads = {{0, ""}, {5, "READY"}};
         },
         true,
         {"---- START DATA READING.... ----",
          "Опрашивается устройство: Dev",
          "Opened",
          "",
          "CONNECTION ----------------",
          "Start connection procedure...",
          "Data writing: HELLO",
          "Data readed: READY",
          "End connection procedure...",
          "CONNECTION OK --------------",
          "",
          "",
          "READING DATA --------------",
          "READING OK --------------",
          "",
          "",
          "DICSONNECTING -----------",
          "Disconnected",
          "Запрос обработан. Время обработки: 0",
          "---- END DATA READING.... ----"}},
        {"connect message never answered",
         [](PollCycle& t) {
             t.Script.ConnectMessages = {{"HELLO", true}};
         },
         false,
         {"---- START DATA READING.... ----", "Опрашивается устройство: Dev", "Opened", "",
          "CONNECTION ----------------", "Start connection procedure...", "Data writing: HELLO",
          "Disconnected", "Панель 7 не отвечает", "Ошибка установки соединения с устройством.",
          "Ошибка доступа к устройству. Время обработки: 0", "---- END DATA READING.... ----"}},
        {"connect message written short",
         [](PollCycle& t) {
             t.Script.ConnectMessages = {{"HELLO", true}};
             t.Link.ShortWrites = {{0, 1}};
         },
         false,
         {"---- START DATA READING.... ----", "Опрашивается устройство: Dev", "Opened", "",
          "CONNECTION ----------------", "Start connection procedure...", "Data writing: HELLO",
          "Disconnected", "Ошибка записи в физический порт. 1",
          "Ошибка установки соединения с устройством.",
          "Ошибка доступа к устройству. Время обработки: 0", "---- END DATA READING.... ----"}},
        {"connect answer rejected",
         [](PollCycle& t) {
             t.Script.ConnectMessages = {{"HELLO", true}};
             t.Script.ConnectParse = {-1};
             t.Link.Reads = {{5, "WRONG"}};
         },
         false,
         {"---- START DATA READING.... ----", "Опрашивается устройство: Dev", "Opened", "",
          "CONNECTION ----------------", "Start connection procedure...", "Data writing: HELLO",
          "Data readed: WRONG", "Disconnected", "Ошибка длины блока данных.",
          "Ошибка установки соединения с устройством.",
          "Ошибка доступа к устройству. Время обработки: 0", "---- END DATA READING.... ----"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Driver.World->Script = {};
        *Driver.World->Link = {};
        Driver.Devices->Connection.reset();
        Device->AnswerDelay = 0;
        Device->RereadCount = 1;
        c.Setup(*this);
        EXPECT_EQ(PollOnce(), c.Result);
        EXPECT_EQ(Lines(Device->RequestTerminal.GetText()), AnsiLines(c.Expected));
        // A failed exchange never leaves the connection open for the next device.
        const auto& connection = Driver.Devices->Connection;
        EXPECT_FALSE(connection && connection->IsOpen());
    }
}

TEST_F(PollCycle, FailuresAreReportedWithTheirTexts) {
    struct Case {
        std::function<void(PollCycle&)> Setup;
        std::vector<std::pair<int32_t, const char*>> Reports;
    };
    const std::vector<Case> cases = {
        {[](PollCycle& t) { t.Link.CreateFails = true; },
         {{-1, "Ошибка при создании класса доступа к устройству."}}},
        {[](PollCycle& t) { t.Link.OpenFails = true; },
         {{-1, "Ошибка установки соединения с устройством."}}},
        {[](PollCycle& t) {
             t.Script.ConnectMessages = {{"HELLO", true}};
         },
         {{-1, "No answer on connect message."},
          {-1, "Dev: Ошибка установки соединения с устройством."}}},
        {[](PollCycle& t) {
             t.Script.ReadRequests = {{"REQ", true}};
         },
         {}},
    };
    for (const Case& c : cases) {
        TTestBlock block{{}};
        Driver.World->Script = {};
        *Driver.World->Link = {};
        Driver.Devices->Connection.reset();
        c.Setup(*this);
        PollOnce();
        std::vector<std::pair<int32_t, std::string>> expected;
        for (const auto& [code, text] : c.Reports) {
            expected.emplace_back(code, Ansi(text));
        }
        EXPECT_EQ(block.Reporter->Reports(), expected);
    }
}

TEST_F(PollCycle, OpenConnectionIsReusedUnlessTheDeviceNeedsAnotherOne) {
    Link.CloseAfterExchange = false;
    ASSERT_TRUE(PollOnce());
    ASSERT_TRUE(PollOnce());
    EXPECT_EQ(Link.Created, 2); // the first object is made, found closed, released, made again
    EXPECT_EQ(Link.Opens, 1);
    EXPECT_EQ(Link.Closes, 0);

    Link.MustReconnect = true;
    ASSERT_TRUE(PollOnce());
    EXPECT_EQ(Link.Closes, 1);
    EXPECT_EQ(Link.Opens, 2);
    EXPECT_EQ(Link.Created, 3);
}

// RetryCount 3: the tag stays up through three failures and goes down on the fourth, with one
// report; further failures are silent; the next success brings it up.
TEST_F(PollCycle, LinkStateFollowsTheRetryCount) {
    Block.AddDynamicTag("LINK1");
    Device->Properties->SetProperty("VarConnectStateName", "Link1", 5);
    Device->Properties->SetProperty("RetryCount", "3", 1);
    Device->ApplyProperties();

    const std::vector<std::pair<bool, float>> steps = {
        {true, 0}, {false, 0}, {false, 0}, {false, 0}, {false, 1}, {false, 1}, {true, 0}};
    for (size_t i = 0; i < steps.size(); ++i) {
        Link.OpenFails = !steps[i].first;
        EXPECT_EQ(PollOnce(), steps[i].first) << i;
        EXPECT_EQ(Block.DynamicValue("LINK1"), steps[i].second) << i;
    }
    EXPECT_EQ(Driver.World->LinkReports,
              (std::vector<std::string>{"Dev up", "Dev down", "Dev up"}));
    int32_t losses = 0;
    for (const auto& report : Block.Reporter->Reports()) {
        losses += report == std::make_pair(-1, Ansi("Dev: Потеря связи с устройством.")) ? 1 : 0;
    }
    EXPECT_EQ(losses, 1);
}

TEST_F(PollCycle, WithoutRetriesADeviceFailingFromTheStartNeverWritesItsTag) {
    Block.AddDynamicTag("LINK1");
    Device->Properties->SetProperty("VarConnectStateName", "LINK1", 5);
    Device->ApplyProperties();
    Link.OpenFails = true;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(PollOnce());
    }
    EXPECT_TRUE(std::isnan(Block.DynamicValue("LINK1")));
    EXPECT_TRUE(Driver.World->LinkReports.empty());
}

TEST_F(PollCycle, UnregisteredLinkTagIsNotAdded) {
    Device->Properties->SetProperty("VarConnectStateName", "NOT_REGISTERED", 5);
    Device->ApplyProperties();
    ASSERT_TRUE(PollOnce());
    EXPECT_EQ(Block.Channel->DynamicTags.Count(), 0);
}

// With state change on, the first poll writes 1 (imitated) and then 0 (its link update); the
// following polls alternate 0, 1, 0.
TEST_F(PollCycle, ImitatorAlternatesTheLinkState) {
    SetOptions(true, true, true);
    Block.AddDynamicTag("LINK1");
    Device->Properties->SetProperty("VarConnectStateName", "LINK1", 5);
    Device->ApplyProperties();

    const std::vector<float> values = {0, 0, 1, 0};
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_TRUE(PollOnce());
        EXPECT_EQ(Block.DynamicValue("LINK1"), values[i]) << i;
    }
    EXPECT_EQ(Driver.World->LinkReports,
              (std::vector<std::string>{"Dev down", "Dev up", "Dev up", "Dev down", "Dev up"}));
    EXPECT_EQ(Link.Created, 0); // nothing is contacted
    EXPECT_EQ(
        Lines(Device->RequestTerminal.GetText()),
        AnsiLines({"Imitator start action:", "Imitator end action.",
                   "Запрос обработан. Время обработки: 0", "---- END DATA READING.... ----"}));
}

TEST_F(PollCycle, ImitatorWithoutStateChangeKeepsTheLinkUp) {
    SetOptions(true, false, true);
    Block.AddDynamicTag("LINK1");
    Device->Properties->SetProperty("VarConnectStateName", "LINK1", 5);
    Device->ApplyProperties();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(PollOnce());
        EXPECT_EQ(Block.DynamicValue("LINK1"), 0.0f);
    }
    EXPECT_EQ(Driver.World->LinkReports, std::vector<std::string>{"Dev up"});
}

TEST_F(PollCycle, HexBytesOutsideTextMode) {
    SetOptions(false, false, false);
    Script.ReadRequests = {{std::string("\x0A\x1F", 2), true}};
    Link.Reads = {{1, std::string(1, '\xFF')}};
    ASSERT_TRUE(PollOnce());
    const auto lines = Lines(Device->RequestTerminal.GetText());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Write to device: Index=0 (0A)(1F)"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Read from device: Length=1 (FF)"),
              lines.end());
}

} // namespace
