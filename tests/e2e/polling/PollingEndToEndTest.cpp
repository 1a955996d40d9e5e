// The real server polling devices in imitator mode, driven as the plug-in drives it: a block with
// static tags routed to two devices, a live kernel window, a published kernel tag table. Values
// arrive scaled and inverted, link-state tags are written, a command batch is taken and done,
// a block tag switches a device off and on, and Active := 0 or a vanished kernel window ends
// the server.
#include "tests/e2e/common/ServerHost.h"

#include "kernel/KernelTagTable.h"

#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

class PollingEndToEnd : public TServerHost {
protected:
    void SetUp() override {
        TServerHost::SetUp();
        WriteFile("Plinvar.cfg", Configuration);
        WriteFile("Plinvar.ini", Settings);

        Kernel = TKernelTagPublisher::Create(8);
        ASSERT_NE(Kernel, nullptr);
        ASSERT_TRUE(Kernel->AddTag("BLOCK2", 77, 0.0));

        CreateBlock(TagCount);
        // Level: 0..100 divided by 2; Alarm: 0..1 inverted; Position: 10..20 on the device whose
        // prefix the configuration writes in lower case. No device value is ever -1 here.
        AddStaticTag(101, "LEVEL", "DEV1: DEVICE=1; ADDRESS=1", 0, 0, 100, 2, 0, -1);
        AddStaticTag(102, "ALARM", "DEV1: DEVICE=1; ADDRESS=2", 1, 0, 1, 0, 1, -1);
        AddStaticTag(201, "POSITION", "DEV2: DEVICE=3; ADDRESS=1", 0, 10, 20, 0, 0, -1);
        for (const char* name : {"LINK1", "LINK2", "CMD1"}) {
            AddDynamicTag(name, 5.0f);
        }
        Block->Info.SetPrefixes("DEV1;DEV2");
        StartServer();
    }

    void TearDown() override {
        TServerHost::TearDown();
        Kernel.reset();
    }

    std::unique_ptr<TKernelTagPublisher> Kernel;
};

TEST_F(PollingEndToEnd, ImitatedValuesArriveScaledAndInvertedAndTheLinkIsUp) {
    ASSERT_TRUE(Eventually([&] {
        return StaticValue(Level) != -1.0f && StaticValue(Alarm) != -1.0f &&
               StaticValue(Position) != -1.0f;
    })) << "no imitated values arrived: "
        << StaticValue(Level) << " " << StaticValue(Alarm) << " " << StaticValue(Position);
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
