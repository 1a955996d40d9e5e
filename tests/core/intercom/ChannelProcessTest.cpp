// The channel between two real processes: the test process and intercom_peer share one block
// and see each other's writes, a second creator is refused, a peer that dies holding a busy
// byte is given up on, and the command queue is handed over 0 → 1 → 2 → 3 → 0.
#include "tests/core/intercom/PeerProtocol.h"

#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

bool WaitUntil(const std::function<bool()>& condition, uint32_t timeoutMs) {
    const uint32_t start = platform::GetTickCount();
    while (!condition()) {
        if (platform::TicksSince(start) > timeoutMs) {
            return false;
        }
        platform::Sleep(1);
    }
    return true;
}

class ChannelProcessTest : public testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        const std::string instance = "t" + std::to_string(platform::GetCurrentProcessId());
        setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
        BlockName = "Intercom" + std::to_string(++serial) + ".dat";
        SetServerSlot(0);
    }

    void TearDown() override {
        for (uint32_t pid : Children) {
            int code = 0;
            if (!platform::WaitProcess(pid, 0, &code)) {
                platform::KillProcess(pid);
                platform::WaitProcess(pid, 5000, &code);
            }
        }
        Children.clear();
        intercom::SetBusyTimeoutMs(intercom::DefaultBusyTimeoutMs);
        SetServerSlot(-1);
    }

    uint32_t StartPeer(const std::vector<std::string>& args) {
        uint32_t pid = 0;
        EXPECT_TRUE(platform::StartProcess(INTERCOM_PEER, args, &pid)) << INTERCOM_PEER;
        if (pid != 0) {
            Children.push_back(pid);
        }
        return pid;
    }

    // Opens the block the peer created, once the peer says it is ready.
    std::unique_ptr<TIntercomInterface> OpenWhenReady() {
        std::unique_ptr<TIntercomInterface> channel;
        WaitUntil(
            [&] {
                channel = TIntercomInterface::Create(BlockName);
                return channel->IsMapped() && channel->Info.GetDmlState() == peer::PluginReady;
            },
            peer::WaitMs);
        return channel;
    }

    int ExitCodeOf(uint32_t pid) {
        int code = -1;
        if (platform::WaitProcess(pid, peer::WaitMs, &code)) {
            // Reaped: its number may go to another process, which teardown must not touch.
            std::erase(Children, pid);
        } else {
            ADD_FAILURE() << "the peer did not end";
        }
        return code;
    }

    std::string BlockName;
    std::vector<uint32_t> Children;
};

TEST_F(ChannelProcessTest, BothProcessesSeeEveryOtherSectionWrittenAtItsOffset) {
    // The plug-in created room for 4 static records but filled 2: the server must still find
    // sections 4 to 9 where the plug-in put them.
    const uint32_t pid = StartPeer({"plugin", BlockName, std::to_string(peer::PluginCapacity)});
    auto channel = OpenWhenReady();
    ASSERT_TRUE(channel->IsMapped());
    ASSERT_EQ(channel->ViewSize(), BlockSize(peer::PluginCapacity));
    const uint8_t* view = channel->View();
    const size_t shift = 777 * peer::PluginCapacity;

    // The plug-in's writes, read at their offsets in the block.
    EXPECT_EQ(intercom::LoadShortString(view + 256), "Plinvar SNMP");
    EXPECT_EQ(view[512], peer::PluginReady);
    EXPECT_EQ(intercom::LoadShortString(view + 513), "SNMP1;SNMP2");
    EXPECT_EQ(intercom::LoadInt32(view + 769), 65535);
    EXPECT_EQ(intercom::LoadUInt32(view + 773), 0x00C0FFEEu);
    EXPECT_EQ(view[777 + 256 + 268], 1); // Active of slot 0
    EXPECT_EQ(intercom::LoadInt32(view + 9641 + 256), 2);
    EXPECT_EQ(intercom::LoadInt32(view + 9641 + 264 + 16), 101);
    EXPECT_EQ(intercom::LoadFloat32(view + 9641 + 264 + 777 + 4), -8.0f);
    const size_t dynamic = 37393 + shift;
    EXPECT_EQ(intercom::LoadInt32(view + dynamic + 256), 2);
    EXPECT_EQ(intercom::LoadShortString(view + dynamic + 260), "LINK_A");
    EXPECT_EQ(intercom::LoadInt32(view + dynamic + 260 + 268), -1);
    const size_t commands = 301077 + shift;
    EXPECT_EQ(intercom::LoadShortString(view + commands + 256), "snmp1");
    EXPECT_EQ(intercom::LoadInt32(view + commands + 528), 2);
    EXPECT_EQ(view[commands + 532], CommandPosted);
    EXPECT_EQ(intercom::LoadInt32(view + commands + 536 + 532), 8);
    EXPECT_EQ(intercom::LoadInt32(view + 310661 + shift + 4), 0); // Terminal owner
    EXPECT_EQ(intercom::LoadInt32(view + 367477 + shift + 4), -1);

    // And through the section objects of this side.
    EXPECT_EQ(channel->StaticTags.Count(), 2);
    EXPECT_EQ(channel->Commands.GetDeviceName(), "SNMP1");

    peer::WriteServerSide(*channel);
    EXPECT_EQ(intercom::LoadInt32(view + 9905 + shift + 8), 2); // errors Count
    EXPECT_EQ(intercom::LoadShortString(view + 9905 + shift + 16 + 16), "Panel 5");
    EXPECT_EQ(ExitCodeOf(pid), 0) << "the plug-in process found the server's writes wrong";
}

TEST_F(ChannelProcessTest, SecondCreatorOfALiveBlockIsRefused) {
    const uint32_t pid = StartPeer({"hold", BlockName, "3"});
    auto opened = OpenWhenReady();
    ASSERT_TRUE(opened->IsMapped());

    auto second = TIntercomInterface::Create(BlockName, 3);
    EXPECT_FALSE(second->IsMapped());
    EXPECT_EQ(second->Info.GetDmlState(), 0);
    EXPECT_EQ(second->Info.GetDmlName(), "");
    EXPECT_EQ(second->ServerData.GetWindowHandle(), 0u);
    EXPECT_EQ(second->StaticTags.Count(), 0);
    EXPECT_EQ(second->Commands.GetDeviceAddress(), -1);
    EXPECT_EQ(second->Terminal.GetOwner(), -1);
    second->Info.SetDmlState(9); // a no-op, and the live block keeps its state
    EXPECT_EQ(opened->Info.GetDmlState(), peer::PluginReady);

    opened->Info.SetDmlTransactionId(peer::QuitRequest);
    EXPECT_EQ(ExitCodeOf(pid), 0);
}

TEST_F(ChannelProcessTest, PeerKilledHoldingBusyBytesIsGivenUpOnAfterTheBound) {
    auto channel = TIntercomInterface::Create(BlockName, 1);
    ASSERT_TRUE(channel->IsMapped());
    const uint32_t pid = StartPeer({"busy-die", BlockName});
    ASSERT_TRUE(WaitUntil([&] { return channel->ServerData.GetProcessId() == pid; }, peer::WaitMs));
    ASSERT_TRUE(platform::KillProcess(pid));
    EXPECT_EQ(ExitCodeOf(pid), 128 + 9);

    intercom::SetBusyTimeoutMs(300);
    struct Case {
        const char* Operation;
        std::function<void()> Run;
    } cases[] = {
        {"error Add", [&] { channel->Errors.Add(-1, "lost"); }},
        {"error ReadAll",
         [&] {
             TServerErrorListLayout copy{};
             EXPECT_FALSE(channel->Errors.ReadAll(copy, true));
         }},
        {"terminal Write", [&] { channel->Terminal.Write("text"); }},
        {"terminal Read", [&] { EXPECT_EQ(channel->Terminal.Read(), ""); }},
    };
    for (const Case& c : cases) {
        const uint32_t start = platform::GetTickCount();
        c.Run();
        const uint32_t elapsed = platform::TicksSince(start);
        EXPECT_GE(elapsed, 300u) << c.Operation;
        EXPECT_LT(elapsed, 3000u) << c.Operation;
    }
    EXPECT_EQ(channel->Errors.Count(), 0);
    EXPECT_EQ(channel->Terminal.GetCounter(), 0);
    // The sections without a busy byte, and the other terminals, go on working.
    channel->CommandsTerminal.Write("still here");
    EXPECT_EQ(channel->CommandsTerminal.Read(), "still here");
    EXPECT_TRUE(channel->DynamicTags.SetValue("x", false, 1.0f, 1.0));
}

TEST_F(ChannelProcessTest, CommandQueueIsHandedOverBetweenThePlugInAndTheServer) {
    constexpr int batches = 20; // sizes 1..16, then 1..4 again
    auto channel = TIntercomInterface::Create(BlockName, 0);
    ASSERT_TRUE(channel->IsMapped());
    const uint32_t pid = StartPeer({"server-commands", BlockName, std::to_string(batches)});
    ASSERT_TRUE(WaitUntil([&] { return channel->ServerData.GetProcessId() == pid; }, peer::WaitMs));
    for (int batch = 0; batch < batches; ++batch) {
        ASSERT_EQ(channel->Commands.GetState(), CommandIdle);
        peer::PostBatch(*channel, batch);
        std::vector<uint8_t> seen{CommandPosted};
        ASSERT_TRUE(WaitUntil(
            [&] {
                const uint8_t state = channel->Commands.GetState();
                if (state != seen.back()) {
                    seen.push_back(state);
                }
                return state == CommandDone;
            },
            peer::WaitMs))
            << "batch " << batch;
        // The server holds the batch for 20 ms in state 2, long enough to be seen.
        EXPECT_EQ(seen, (std::vector<uint8_t>{CommandPosted, CommandTaken, CommandDone}))
            << "batch " << batch;
        channel->Commands.Reset();
        channel->Commands.SetState(CommandIdle);
    }
    EXPECT_EQ(ExitCodeOf(pid), 0) << "the server process found a batch wrong";
}

} // namespace
