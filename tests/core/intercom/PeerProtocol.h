// What the channel tests and their peer process write into the shared block and expect to find
// there: one definition for both sides, so the two programs check each other's writes.
#pragma once

#include "core/intercom/IntercomInterface.h"
#include "platform/Ticks.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace peer {

constexpr uint32_t WaitMs = 20000;         // bounds every wait of the peer and the tests
constexpr uint8_t PluginReady = 1;         // DmlState once the plug-in side is written
constexpr int32_t QuitRequest = -7;        // DmlTransactionId that ends a holding peer
constexpr uint32_t ServerProcessId = 4242; // written last by the server side
constexpr int32_t PluginCapacity = 4;      // capacity of the block; 2 records are filled

inline TVariableInfo MakeInfo(int32_t id, const char* name, const char* routing, float value) {
    TVariableInfo info{};
    info.Id.Set(id);
    info.TagName.Set(name);
    info.Routing.Set(routing);
    info.Value.Set(value);
    info.DeadBand.Set(0.5f);
    info.Inverse.Set(1);
    return info;
}

inline TCommandRecord MakeCommand(int32_t tagId, const char* device, int32_t address, float value) {
    TCommandRecord command{};
    command.TagId.Set(tagId);
    command.DeviceName.Set(device);
    command.DeviceAddress.Set(1);
    command.Address.Set(address);
    command.Segment.Set("SEG");
    command.Value.Set(value);
    command.Value2.Set(-value);
    return command;
}

inline void WritePluginSide(TIntercomInterface& channel) {
    channel.Info.SetDmlName("Plinvar SNMP");
    channel.Info.SetPrefixes("SNMP1;SNMP2");
    channel.Info.SetDmlTransactionId(65535);
    channel.Info.SetHostWindow(0x00C0FFEE);
    channel.ServerData.SetActive(1);
    channel.StaticTags.Add(MakeInfo(101, "TAG_A", "SNMP1.1.10", 3.25f));
    channel.StaticTags.Add(MakeInfo(102, "TAG_B", "SNMP1.1.11", -8.0f));
    channel.DynamicTags.SetValue("  link_a ", false, 0.0f, platform::Now());
    channel.DynamicTags.SetValue("cmd_a", false, 0.0f, platform::Now());
    channel.Commands.Add(MakeCommand(7, "SNMP1", 10, 1.0f));
    channel.Commands.Add(MakeCommand(8, "SNMP1", 11, 2.0f));
    channel.Commands.SetDeviceName("snmp1");
    channel.Commands.Commit();
    channel.Terminal.SetOwner(0);
}

inline TTerminalInfo ServerTerminalInfo() {
    TTerminalInfo info{};
    info.Caption.Set("SNMP1 127.0.0.1");
    info.LinkUp = 1;
    info.LastInterval.Set(1000);
    info.LastDuration.Set(15);
    return info;
}

// The server's answer; the process id goes last, it tells the plug-in that all is written.
inline void WriteServerSide(TIntercomInterface& channel) {
    channel.ServerData.SetWindowHandle(0x4243);
    channel.ServerData.SetServerTransactionId(65536);
    channel.StaticTags.SetValue(0, 42.5f, 45000.25);
    channel.StaticTags.SetValue(1, -1.0f, 45000.5);
    channel.DynamicTags.SetValue("LINK_A", true, 1.0f, 45000.75);
    channel.Errors.Add(-13, "Panel 5");
    channel.Errors.Add(-1, "link lost");
    channel.Commands.SetState(CommandDone);
    channel.Terminal.Write("poll output");
    channel.Terminal.SetInfo(0, ServerTerminalInfo());
    channel.CommandsTerminal.Write("command output");
    channel.RemoteTerminal.Write("remote");
    channel.ServerData.SetProcessId(ServerProcessId);
}

#define PEER_EXPECT(condition)                                                                     \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            return std::string("expected: ") + #condition;                                         \
        }                                                                                          \
    } while (false)

// Checked by the plug-in process once the server's process id is there; "" when all is right.
inline std::string CheckServerSide(TIntercomInterface& channel) {
    PEER_EXPECT(channel.ServerData.GetWindowHandle() == 0x4243);
    PEER_EXPECT(channel.ServerData.GetServerTransactionId() == 65536);
    TDMLVariable record{};
    PEER_EXPECT(channel.StaticTags.GetRecord(0, record));
    PEER_EXPECT(record.Value.Get() == 42.5f && record.SentValue.Get() == 3.25f);
    PEER_EXPECT(record.Time.Get() == 45000.25);
    PEER_EXPECT(channel.StaticTags.GetRecord(1, record) && record.Value.Get() == -1.0f);
    TDynamicVariable dynamic{};
    PEER_EXPECT(channel.DynamicTags.GetRecord(0, dynamic));
    PEER_EXPECT(dynamic.Name.Get() == "LINK_A" && dynamic.Value.Get() == 1.0f);
    PEER_EXPECT(channel.Errors.Count() == 2);
    TServerErrorListLayout errors{};
    PEER_EXPECT(channel.Errors.ReadAll(errors, true));
    PEER_EXPECT(errors.UsedCount() == 2 && errors.Sequence.Get() == 2);
    PEER_EXPECT(errors.Entries[0].Code.Get() == -13 && errors.Entries[0].Text.Get() == "Panel 5");
    PEER_EXPECT(errors.Entries[1].Code.Get() == -1 && errors.Entries[1].Text.Get() == "link lost");
    PEER_EXPECT(channel.Errors.Count() == 0);
    PEER_EXPECT(channel.Commands.GetState() == CommandDone);
    PEER_EXPECT(channel.Terminal.Read() == "poll output" && channel.Terminal.GetCounter() == 1);
    TTerminalInfo info{};
    PEER_EXPECT(channel.Terminal.GetInfo(0, info));
    const TTerminalInfo expected = ServerTerminalInfo();
    PEER_EXPECT(std::memcmp(&info, &expected, sizeof(info)) == 0);
    PEER_EXPECT(channel.CommandsTerminal.Read() == "command output");
    PEER_EXPECT(channel.RemoteTerminal.GetCounter() == 1);
    return {};
}

// Batch b of the command test carries b + 1 commands (at most 16) with tag ids 100 b + i.
inline int32_t BatchSize(int batch) {
    return batch % 16 + 1;
}

inline void PostBatch(TIntercomInterface& channel, int batch) {
    for (int32_t i = 0; i < BatchSize(batch); ++i) {
        channel.Commands.Add(MakeCommand(100 * batch + i, "SNMP2", i, float(batch)));
    }
    channel.Commands.SetDeviceName("snmp2");
    channel.Commands.Commit();
}

inline std::string CheckBatch(const TCommandsListLayout& copy, int batch) {
    PEER_EXPECT(copy.State == CommandPosted);
    PEER_EXPECT(copy.UsedCount() == BatchSize(batch));
    PEER_EXPECT(copy.DeviceName.Get() == "snmp2" && copy.DeviceAddress.Get() == 1);
    for (int32_t i = 0; i < copy.UsedCount(); ++i) {
        PEER_EXPECT(copy.Commands[i].TagId.Get() == 100 * batch + i);
        PEER_EXPECT(copy.Commands[i].Value.Get() == float(batch));
    }
    return {};
}

#undef PEER_EXPECT

} // namespace peer
