// The real server polling devices in imitator mode, driven as the plug-in drives it: a block with
// static tags routed to two devices, a live kernel window, a published kernel tag table. Values
// arrive scaled and inverted, link-state tags are written, a command batch is taken and done,
// a block tag switches a device off and on, and Active := 0 or a vanished kernel window ends
// the server.
#include "kernel/KernelTagTable.h"

#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Two devices in imitator mode; the second one's prefix is written in lower case, as some
// installed configurations have it.
constexpr const char* Configuration =
    "<SNMP ThreadOnPort=\"False\" ErrorMngrDisabled=\"False\" >\n"
    "   <device>\n"
    "      <session DeviceName=\"Pump\" DeviceAddress=\"1\" Enabled=\"TRUE\" "
    "RoutingPrefix=\"DEV1\" ReqwestInterval=\"100\" VarConnectStateName=\"LINK1\" "
    "CommandStateName=\"CMD1\" />\n"
    "   </device>\n"
    "   <device>\n"
    "      <session DeviceName=\"Valve\" DeviceAddress=\"3\" Enabled=\"TRUE\" "
    "RoutingPrefix=\"dev2\" ReqwestInterval=\"100\" VarConnectStateName=\"LINK2\" "
    "VarBlockCommand=\"BLOCK2\" />\n"
    "   </device>\n"
    "</SNMP>\n";

constexpr const char* Settings = "[server]\ndelay_on_start=0\n"
                                 "[debugger]\nimitator=1\nrate=50\nstate_change=0\n";

enum TTag { Level, Alarm, Position, TagCount };

class PollingEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string instance =
            "poll" + std::to_string(platform::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
        Dir = fs::temp_directory_path() / ("plinvar-" + instance);
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        fs::copy_file(PLINVAR_SERVER, Dir / "Plinvar.srv");
        std::ofstream(Dir / "Plinvar.cfg") << Configuration;
        std::ofstream(Dir / "Plinvar.ini") << Settings;

        Kernel = TKernelTagPublisher::Create(8);
        ASSERT_NE(Kernel, nullptr);
        ASSERT_TRUE(Kernel->AddTag("BLOCK2", 77, 0.0));

        Block = TIntercomInterface::Create("Plinvar.dat", TagCount);
        ASSERT_TRUE(Block->IsMapped());
        SetServerSlot(0);
        // Level: 0..100 divided by 2; Alarm: 0..1 inverted; Position: 10..20 on the device whose
        // prefix the configuration writes in lower case.
        AddTag(101, "LEVEL", "DEV1: DEVICE=1; ADDRESS=1", 0, 0, 100, 2, 0);
        AddTag(102, "ALARM", "DEV1: DEVICE=1; ADDRESS=2", 1, 0, 1, 0, 1);
        AddTag(201, "POSITION", "DEV2: DEVICE=3; ADDRESS=1", 0, 10, 20, 0, 0);
        for (const char* name : {"LINK1", "LINK2", "CMD1"}) {
            ASSERT_TRUE(Block->DynamicTags.SetValue(name, false, 5.0f, platform::Now()));
        }
        HostWindow = platform::CreateWindowHandle(
            [](platform::HWND, uint32_t, uintptr_t, intptr_t) { return intptr_t(0); });
        Block->Info.SetHostWindow(HostWindow);
        Block->Info.SetDmlName("Test kernel");
        Block->Info.SetPrefixes("DEV1;DEV2");
        Block->Info.SetDmlState(1);

        ASSERT_TRUE(platform::StartProcess((Dir / "Plinvar.srv").string(),
                                           {"\"" + (Dir / "Plinvar.cfg").string() + "\""},
                                           &ServerPid));
        Block->ServerData.SetActive(1);
        Block->Info.SetDmlState(2);
    }

    void TearDown() override {
        if (ServerPid != 0 && platform::IsProcessAlive(ServerPid)) {
            platform::KillProcess(ServerPid);
            int code = 0;
            platform::WaitProcess(ServerPid, 5000, &code);
        }
        Block.reset();
        Kernel.reset();
        if (HostWindow != 0) {
            platform::DestroyWindowHandle(HostWindow);
        }
        fs::remove_all(Dir);
        ::unsetenv("VANTORELIX_INSTANCE");
    }

    void AddTag(int32_t id, const char* name, const char* routing, uint8_t type, float bound1,
                float bound2, float scale, int32_t inverse) {
        TVariableInfo info;
        std::memset(&info, 0, sizeof info);
        info.Id.Set(id);
        info.TagName.Set(name);
        info.Routing.Set(routing);
        info.TypeCode = type;
        info.Bound1.Set(bound1);
        info.Bound2.Set(bound2);
        info.Scale.Set(scale);
        info.Inverse.Set(inverse);
        info.Value.Set(-1.0f); // no device value is ever -1 here
        ASSERT_TRUE(Block->StaticTags.Add(info));
    }

    float StaticValue(int32_t index) {
        TDMLVariable record;
        EXPECT_TRUE(Block->StaticTags.GetRecord(index, record));
        return record.Value.Get();
    }

    float DynamicValue(const char* name) {
        for (int32_t i = 0; i < Block->DynamicTags.Count(); ++i) {
            TDynamicVariable record;
            if (Block->DynamicTags.GetRecord(i, record) && record.Name.Get() == name) {
                return record.Value.Get();
            }
        }
        ADD_FAILURE() << "no dynamic tag " << name;
        return -1;
    }

    // Polls the condition every 20 ms for at most boundMs.
    static bool Eventually(const std::function<bool()>& condition, uint32_t boundMs = 10000) {
        const uint32_t start = platform::GetTickCount();
        while (!condition()) {
            if (platform::TicksSince(start) >= boundMs) {
                return false;
            }
            platform::WaitMessage(20);
        }
        return true;
    }

    bool ServerEnded(uint32_t boundMs) {
        int code = -1;
        if (!platform::WaitProcess(ServerPid, boundMs, &code)) {
            return false;
        }
        EXPECT_EQ(code, 0);
        ServerPid = 0;
        return true;
    }

    fs::path Dir;
    std::unique_ptr<TKernelTagPublisher> Kernel;
    std::unique_ptr<TIntercomInterface> Block;
    platform::HWND HostWindow = 0;
    uint32_t ServerPid = 0;
};

TEST_F(PollingEndToEnd, ImitatedValuesArriveScaledAndInvertedAndTheLinkIsUp) {
    ASSERT_TRUE(Eventually([&] {
        return StaticValue(Level) != -1.0f && StaticValue(Alarm) != -1.0f &&
               StaticValue(Position) != -1.0f;
    })) << "no imitated values arrived";
    // Values keep arriving, each within its tag's range after scale and inversion.
    for (int i = 0; i < 20; ++i) {
        const float level = StaticValue(Level);
        EXPECT_GE(level, 0.0f);
        EXPECT_LE(level, 50.0f);
        const float alarm = StaticValue(Alarm);
        EXPECT_TRUE(alarm == 0.0f || alarm == 1.0f) << alarm;
        const float position = StaticValue(Position);
        EXPECT_GE(position, 10.0f);
        EXPECT_LE(position, 20.0f);
        platform::Sleep(20);
    }
    const float first = StaticValue(Level);
    EXPECT_TRUE(Eventually([&] { return StaticValue(Level) != first; }));
    // The first successful poll reports the link up; nothing sets it down in this mode.
    EXPECT_TRUE(Eventually([&] { return DynamicValue("LINK1") == 0.0f; }));
    EXPECT_TRUE(Eventually([&] { return DynamicValue("LINK2") == 0.0f; }));
    EXPECT_EQ(Block->ServerData.GetProcessId(), ServerPid);
}

TEST_F(PollingEndToEnd, CommandBatchIsTakenAndDone) {
    ASSERT_TRUE(Eventually([&] { return Block->ServerData.GetWindowHandle() != 0; }));
    auto& commands = Block->Commands;
    ASSERT_TRUE(commands.Reset());
    TCommandRecord command;
    std::memset(&command, 0, sizeof command);
    command.TagId.Set(101);
    command.DeviceName.Set("DEV1");
    command.DeviceAddress.Set(1);
    command.Address.Set(1);
    command.Value.Set(42.0f);
    command.Value2.Set(7.0f);
    commands.SetDeviceName("DEV1");
    ASSERT_TRUE(commands.Add(command));
    ASSERT_TRUE(commands.Commit());
    EXPECT_EQ(commands.GetState(), 1);
    ASSERT_TRUE(Eventually([&] { return commands.GetState() == 3; }))
        << "state " << int(commands.GetState());
    // The command-state tag holds the outcome (1 done, 2 not executed, 3 rejected).
    const float outcome = DynamicValue("CMD1");
    EXPECT_TRUE(outcome == 1.0f || outcome == 2.0f || outcome == 3.0f) << outcome;
    // The plug-in resets the section for the next batch.
    ASSERT_TRUE(commands.Reset());
    EXPECT_EQ(commands.GetState(), 0);
}

TEST_F(PollingEndToEnd, BatchForAnUnknownDeviceStaysPosted) {
    ASSERT_TRUE(Eventually([&] { return StaticValue(Level) != -1.0f; }));
    auto& commands = Block->Commands;
    ASSERT_TRUE(commands.Reset());
    TCommandRecord command;
    std::memset(&command, 0, sizeof command);
    command.DeviceName.Set("NOBODY");
    command.DeviceAddress.Set(9);
    commands.SetDeviceName("NOBODY");
    ASSERT_TRUE(commands.Add(command));
    ASSERT_TRUE(commands.Commit());
    platform::Sleep(500);
    EXPECT_EQ(commands.GetState(), 1);
}

TEST_F(PollingEndToEnd, BlockTagSwitchesTheDeviceOffAndOn) {
    // The plug-in asks for the second device's (index 1) output in the shared terminal.
    Block->Terminal.SetOwner(1);
    ASSERT_TRUE(
        Eventually([&] { return Block->Terminal.Read().find("Imitator") != std::string::npos; }));
    ASSERT_TRUE(Kernel->SetValue(77, 1.0));
    ASSERT_TRUE(Eventually([&] { return Block->Terminal.Read() == "Device disabled!!!"; }));
    const float frozen = StaticValue(Position);
    platform::Sleep(300);
    EXPECT_EQ(StaticValue(Position), frozen);
    ASSERT_TRUE(Kernel->SetValue(77, 0.0));
    EXPECT_TRUE(
        Eventually([&] { return Block->Terminal.Read().find("Imitator") != std::string::npos; }));
    EXPECT_TRUE(Eventually([&] { return StaticValue(Position) != frozen; }));
}

TEST_F(PollingEndToEnd, ActiveZeroStopsTheServer) {
    ASSERT_TRUE(Eventually([&] { return StaticValue(Level) != -1.0f; }));
    Block->ServerData.SetActive(0);
    ASSERT_TRUE(ServerEnded(15000));
    EXPECT_EQ(Block->ServerData.GetProcessId(), 0u);
    EXPECT_EQ(Block->ServerData.GetWindowHandle(), 0u);
    EXPECT_EQ(Block->ServerData.GetActive(), 0);
}

TEST_F(PollingEndToEnd, VanishedKernelWindowEndsTheServer) {
    ASSERT_TRUE(Eventually([&] { return StaticValue(Level) != -1.0f; }));
    platform::DestroyWindowHandle(HostWindow);
    HostWindow = 0;
    ASSERT_TRUE(ServerEnded(15000));
    EXPECT_EQ(Block->ServerData.GetProcessId(), 0u);
    EXPECT_EQ(Block->ServerData.GetActive(), 0);
}

} // namespace
