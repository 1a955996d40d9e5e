// The operations of the section objects: counters and their wraps, limits of each section,
// texts cut to 255 characters, the busy byte, the defaults of an unmapped channel, and counts
// in a damaged block that must never lead outside it.
#include "core/intercom/IntercomInterface.h"

#include "platform/Ticks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int32_t Capacity = 4;

class SectionsTest : public testing::Test {
protected:
    void SetUp() override { SetServerSlot(0); }
    void TearDown() override {
        SetServerSlot(-1);
        intercom::SetBusyTimeoutMs(intercom::DefaultBusyTimeoutMs);
    }

    size_t At(const TIntercomSection& section) const {
        return size_t(section.Address() - Memory.data());
    }
    void PutInt32(size_t offset, int32_t value) {
        intercom::StoreInt32(Memory.data() + offset, value);
    }

    std::vector<uint8_t> Memory = std::vector<uint8_t>(BlockSize(Capacity));
    std::unique_ptr<TIntercomInterface> Channel = TIntercomInterface::OverMemory(
        Memory.data(), Memory.size(), TIntercomInterface::TAttachMode::Create, Capacity);
};

TEST(CycleCounters, WrapAtTheirOwnLimits) {
    struct Case {
        int32_t Old, NextDml, NextServer;
    } cases[] = {
        {0, 1, 1},     {65534, 65535, 65535}, {65535, 0, 65536},
        {65536, 0, 0}, {2147483647, 0, 0}, // a damaged block must not overflow the addition
        {-1, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextDmlTransactionId(c.Old), c.NextDml) << c.Old;
        EXPECT_EQ(NextServerTransactionId(c.Old), c.NextServer) << c.Old;
    }
}

TEST_F(SectionsTest, CountersStepThroughTheWrapInTheBlock) {
    Channel->Info.SetDmlTransactionId(65534);
    std::vector<int32_t> dml;
    for (int i = 0; i < 3; ++i) {
        dml.push_back(Channel->Info.GetDmlTransactionId());
        Channel->Info.StepDmlTransactionId();
    }
    EXPECT_EQ(dml, (std::vector<int32_t>{65534, 65535, 0}));
    Channel->ServerData.SetServerTransactionId(65535);
    std::vector<int32_t> server;
    for (int i = 0; i < 3; ++i) {
        server.push_back(Channel->ServerData.GetServerTransactionId());
        Channel->ServerData.StepServerTransactionId();
    }
    EXPECT_EQ(server, (std::vector<int32_t>{65535, 65536, 0}));
}

TEST_F(SectionsTest, ShortStringsKeepTheirFirst255Characters) {
    std::string long300(300, 'n');
    long300[254] = 'L';
    Channel->Info.SetDmlName(long300);
    EXPECT_EQ(Channel->Info.GetDmlName(), long300.substr(0, 255));
    Channel->Info.SetPrefixes(long300);
    EXPECT_EQ(Channel->Info.GetPrefixes().size(), 255u);
    Channel->Commands.SetDeviceName(long300);
    EXPECT_EQ(Channel->Commands.GetDeviceName().size(), 255u);
    Channel->Errors.Add(-1, long300);
    TServerErrorListLayout copy{};
    ASSERT_TRUE(Channel->Errors.ReadAll(copy, false));
    EXPECT_EQ(copy.Entries[0].Text.Get(), long300.substr(0, 255));
}

TEST_F(SectionsTest, ServerStateWorksOnlyOnSlotsZeroToThirtyOne) {
    SetServerSlot(5);
    Channel->ServerData.SetWindowHandle(55);
    EXPECT_EQ(Channel->ServerData.GetWindowHandleAt(5), 55u);
    EXPECT_EQ(Channel->ServerData.GetWindowHandleAt(0), 0u);
    for (int32_t slot : {-1, 32, 1000}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(Channel->ServerData.GetWindowHandleAt(slot), 0u);
        SetServerSlot(slot);
        const std::vector<uint8_t> before = Memory;
        Channel->ServerData.SetProcessId(1);
        Channel->ServerData.SetWindowHandle(2);
        Channel->ServerData.SetActive(1);
        Channel->ServerData.SetServerTransactionId(3);
        Channel->ServerData.StepServerTransactionId();
        EXPECT_EQ(Memory, before);
        EXPECT_EQ(Channel->ServerData.GetWindowHandle(), 0u);
        EXPECT_EQ(Channel->ServerData.GetProcessId(), 0u);
        EXPECT_EQ(Channel->ServerData.GetActive(), 0);
        EXPECT_EQ(Channel->ServerData.GetServerTransactionId(), 0);
    }
}

TEST_F(SectionsTest, StaticTagsFillUpToTheCapacity) {
    TVariableInfo info{};
    // A signalling NaN with a payload: Value and SentValue take the kernel's bits unchanged.
    std::memcpy(info.Value.Bytes, "\x01\x00\xA0\x7F", 4);
    for (int32_t i = 0; i < Capacity; ++i) {
        info.Id.Set(i);
        EXPECT_TRUE(Channel->StaticTags.Add(info)) << i;
    }
    EXPECT_FALSE(Channel->StaticTags.Add(info));
    EXPECT_EQ(Channel->StaticTags.Count(), Capacity);

    TDMLVariable record{};
    ASSERT_TRUE(Channel->StaticTags.GetRecord(3, record));
    EXPECT_EQ(record.Info.Id.Get(), 3);
    EXPECT_EQ(std::memcmp(record.Value.Bytes, info.Value.Bytes, 4), 0);
    EXPECT_EQ(std::memcmp(record.SentValue.Bytes, info.Value.Bytes, 4), 0);
    EXPECT_NEAR(record.Time.Get(), platform::Now(), 1.0 / 86400);

    EXPECT_TRUE(Channel->StaticTags.SetValue(3, 7.0f, 123.0));
    EXPECT_TRUE(Channel->StaticTags.StoreSent(3, 7.0f));
    ASSERT_TRUE(Channel->StaticTags.GetRecord(3, record));
    EXPECT_EQ(record.Value.Get(), 7.0f);
    EXPECT_EQ(record.SentValue.Get(), 7.0f);
    EXPECT_GT(record.Time.Get(), 123.0) << "StoreSent stamps the time";
    for (int32_t index : {-1, Capacity}) {
        EXPECT_FALSE(Channel->StaticTags.GetRecord(index, record)) << index;
        EXPECT_FALSE(Channel->StaticTags.SetValue(index, 1.0f, 0)) << index;
        EXPECT_FALSE(Channel->StaticTags.StoreSent(index, 1.0f)) << index;
    }
}

TEST_F(SectionsTest, ErrorSectionHoldsAHundredEntriesAndReadAllClears) {
    for (int32_t i = 0; i < 105; ++i) {
        Channel->Errors.Add(-i, "e" + std::to_string(i));
    }
    EXPECT_EQ(Channel->Errors.Count(), 100);
    EXPECT_EQ(Channel->Errors.Sequence(), 100);

    TServerErrorListLayout copy{};
    ASSERT_TRUE(Channel->Errors.ReadAll(copy, false));
    EXPECT_EQ(copy.UsedCount(), 100);
    EXPECT_EQ(Channel->Errors.Count(), 100) << "without the clear flag nothing is removed";
    ASSERT_TRUE(Channel->Errors.ReadAll(copy, true));
    EXPECT_EQ(copy.UsedCount(), 100);
    EXPECT_EQ(copy.Sequence.Get(), 100);
    EXPECT_EQ(copy.Entries[99].Code.Get(), -99);
    EXPECT_EQ(copy.Entries[99].Text.Get(), "e99");
    EXPECT_EQ(copy.Entries[100].Code.Get(), 0) << "beyond Count the copy stays zero";
    EXPECT_EQ(Channel->Errors.Count(), 0);
    EXPECT_EQ(Channel->Errors.Sequence(), 0);

    PutInt32(At(Channel->Errors), 65535);
    Channel->Errors.Add(1, "wrap");
    EXPECT_EQ(Channel->Errors.Sequence(), 0);
    Channel->Errors.Clear();
    EXPECT_EQ(Channel->Errors.Count(), 0);
}

TEST_F(SectionsTest, ErrorSectionTakesConcurrentWritersWithoutLosingEntries) {
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i) {
                Channel->Errors.Add(t * 100 + i, "w");
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    TServerErrorListLayout copy{};
    ASSERT_TRUE(Channel->Errors.ReadAll(copy, true));
    ASSERT_EQ(copy.UsedCount(), 100);
    std::vector<int32_t> codes;
    for (int32_t i = 0; i < 100; ++i) {
        codes.push_back(copy.Entries[i].Code.Get());
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(std::unique(codes.begin(), codes.end()), codes.end()) << "an entry overwritten";
}

TEST_F(SectionsTest, DynamicTagsAreFoundByTrimmedUpperCaseName) {
    EXPECT_TRUE(Channel->DynamicTags.SetValue("  link_a ", false, 1.0f, 10.0));
    EXPECT_TRUE(Channel->DynamicTags.SetValue("LINK_A", true, 2.0f, 11.0));
    EXPECT_EQ(Channel->DynamicTags.Count(), 1);
    TDynamicVariable record{};
    ASSERT_TRUE(Channel->DynamicTags.GetRecord(0, record));
    EXPECT_EQ(record.Name.Get(), "LINK_A");
    EXPECT_EQ(record.Value.Get(), 2.0f);
    EXPECT_EQ(record.Time.Get(), 11.0);
    EXPECT_EQ(record.Info.Id.Get(), DynamicIdUnresolved);

    EXPECT_FALSE(Channel->DynamicTags.SetValue("other", true, 1.0f, 0)) << "only existing";
    EXPECT_FALSE(Channel->DynamicTags.SetValue(" \t ", false, 1.0f, 0)) << "empty key";
    EXPECT_EQ(Channel->DynamicTags.Count(), 1);

    record.Info.Id.Set(77);
    EXPECT_TRUE(Channel->DynamicTags.PutRecord(0, record));
    EXPECT_FALSE(Channel->DynamicTags.PutRecord(1, record));
    ASSERT_TRUE(Channel->DynamicTags.GetRecord(0, record));
    EXPECT_EQ(record.Info.Id.Get(), 77);
}

TEST_F(SectionsTest, DynamicNameLongerThan255IsStoredCutAndFoundAgain) {
    const std::string name(300, 'q');
    EXPECT_TRUE(Channel->DynamicTags.SetValue(name, false, 1.0f, 0));
    EXPECT_TRUE(Channel->DynamicTags.SetValue(name, true, 2.0f, 0));
    EXPECT_EQ(Channel->DynamicTags.Count(), 1) << "the same name must not add a second record";
}

TEST_F(SectionsTest, DynamicSectionHolds255Records) {
    for (int i = 0; i < 255; ++i) {
        ASSERT_TRUE(Channel->DynamicTags.SetValue("T" + std::to_string(i), false, 0, 0)) << i;
    }
    EXPECT_FALSE(Channel->DynamicTags.SetValue("T255", false, 0, 0));
    EXPECT_EQ(Channel->DynamicTags.Count(), 255);
    EXPECT_TRUE(Channel->DynamicTags.SetValue("t254", true, 5.0f, 0)) << "existing still found";
}

TEST_F(SectionsTest, CommandQueueTakesSixteenCommands) {
    TCommandRecord command{};
    for (int32_t i = 0; i < 16; ++i) {
        command.TagId.Set(i);
        command.DeviceAddress.Set(100 + i);
        ASSERT_TRUE(Channel->Commands.Add(command)) << i;
    }
    EXPECT_FALSE(Channel->Commands.Add(command)) << "the 17th";
    EXPECT_EQ(Channel->Commands.Count(), 16);
    EXPECT_EQ(Channel->Commands.GetDeviceAddress(), 115) << "the last command's address";
    Channel->Commands.SetDeviceName("snmp_a");
    EXPECT_EQ(Channel->Commands.GetDeviceName(), "SNMP_A");
    EXPECT_TRUE(Channel->Commands.Commit());
    EXPECT_EQ(Channel->Commands.GetState(), CommandPosted);

    TCommandsListLayout copy{};
    ASSERT_TRUE(Channel->Commands.Snapshot(copy));
    EXPECT_EQ(copy.UsedCount(), 16);
    EXPECT_EQ(copy.Commands[15].TagId.Get(), 15);
    EXPECT_EQ(copy.DeviceName.Get(), "snmp_a");
}

TEST_F(SectionsTest, CommitOfAnEmptyQueueResetsIt) {
    Channel->Commands.SetDeviceName("dev");
    Channel->Commands.SetState(CommandDone);
    PutInt32(At(Channel->Commands) + 512, 9);
    EXPECT_FALSE(Channel->Commands.Commit());
    EXPECT_EQ(Channel->Commands.GetState(), CommandIdle);
    EXPECT_EQ(Channel->Commands.GetDeviceAddress(), -1);
    EXPECT_EQ(Channel->Commands.GetDeviceName(), "");
    EXPECT_NEAR(Channel->Commands.GetTime(), platform::Now(), 1.0 / 86400);
}

TEST_F(SectionsTest, TerminalCounterWrapsAndLongTextIsRefused) {
    Channel->Terminal.Write("first");
    EXPECT_EQ(Channel->Terminal.GetCounter(), 1);
    EXPECT_EQ(Channel->Terminal.Read(), "first");

    PutInt32(At(Channel->Terminal), 65535);
    Channel->Terminal.Write("wrap");
    EXPECT_EQ(Channel->Terminal.GetCounter(), 0);
    PutInt32(At(Channel->Terminal), -40);
    Channel->Terminal.Write("negative");
    EXPECT_EQ(Channel->Terminal.GetCounter(), 1);

    const std::string longest(56535, 'x');
    Channel->Terminal.Write(longest);
    EXPECT_EQ(Channel->Terminal.Read(), longest);
    EXPECT_EQ(Channel->Terminal.GetCounter(), 2);
    Channel->Terminal.Write(std::string(56536, 'y'));
    EXPECT_EQ(Channel->Terminal.Read(), longest);
    EXPECT_EQ(Channel->Terminal.GetCounter(), 2);
}

TEST_F(SectionsTest, TerminalInformationBelongsToItsOwner) {
    TTerminalInfo info{};
    info.Caption.Set("port");
    info.LinkUp = 1;
    info.LastInterval.Set(1000);
    Channel->Terminal.SetOwner(3);
    EXPECT_FALSE(Channel->Terminal.SetInfo(2, info));
    EXPECT_TRUE(Channel->Terminal.SetInfo(3, info));

    TTerminalInfo read{};
    std::memset(&read, 0x77, sizeof(read));
    EXPECT_FALSE(Channel->Terminal.GetInfo(2, read));
    EXPECT_EQ(std::vector<uint8_t>(read.Caption.Bytes, read.Caption.Bytes + 256),
              std::vector<uint8_t>(256, 0));
    EXPECT_EQ(read.LastInterval.Get(), 0);
    ASSERT_TRUE(Channel->Terminal.GetInfo(3, read));
    EXPECT_EQ(read.Caption.Get(), "port");
    EXPECT_EQ(read.LinkUp, 1);
    EXPECT_EQ(read.LastInterval.Get(), 1000);
}

TEST_F(SectionsTest, HeldBusyByteIsGivenUpAfterTheTimeout) {
    intercom::SetBusyTimeoutMs(100);
    Channel->Terminal.Write("before");
    Memory[At(Channel->Errors) + 4] = 1;
    Memory[At(Channel->Terminal) + 8] = 1;

    const uint32_t start = platform::GetTickCount();
    Channel->Errors.Add(-1, "dropped");
    Channel->Terminal.Write("dropped");
    EXPECT_EQ(Channel->Terminal.Read(), "");
    TServerErrorListLayout copy{};
    copy.Count.Set(5);
    EXPECT_FALSE(Channel->Errors.ReadAll(copy, true));
    const uint32_t elapsed = platform::TicksSince(start);
    EXPECT_GE(elapsed, 4 * 100u);
    EXPECT_LT(elapsed, 4 * 1000u);
    EXPECT_EQ(copy.Count.Get(), 0) << "a copy that could not be taken is all zero";
    EXPECT_EQ(Channel->Errors.Count(), 0);
    EXPECT_EQ(Channel->Terminal.GetCounter(), 1);

    Memory[At(Channel->Terminal) + 8] = 0;
    EXPECT_EQ(Channel->Terminal.Read(), "before");
    EXPECT_EQ(Memory[At(Channel->Terminal) + 8], 0) << "released after the read";
}

TEST_F(SectionsTest, DamagedCountsNeverLeadOutsideTheirSection) {
    const size_t staticCount = At(Channel->StaticTags) + 256;
    const size_t errorCount = At(Channel->Errors) + 8;
    const size_t dynamicCount = At(Channel->DynamicTags) + 256;
    const size_t commandCount = At(Channel->Commands) + 528;
    for (int32_t stored : {-1, -2147483647 - 1, 101, 256, 5000, 2147483647}) {
        SCOPED_TRACE(stored);
        PutInt32(staticCount, stored);
        PutInt32(errorCount, stored);
        PutInt32(dynamicCount, stored);
        PutInt32(commandCount, stored);
        const std::vector<uint8_t> tail(Memory.end() - 16, Memory.end());

        EXPECT_GE(Channel->StaticTags.Count(), 0);
        EXPECT_LE(Channel->StaticTags.Count(), Capacity);
        TDMLVariable record{};
        Channel->StaticTags.GetRecord(Capacity, record);
        EXPECT_FALSE(Channel->StaticTags.Add(TVariableInfo{}));
        Channel->StaticTags.SetValue(Capacity + 5, 1.0f, 0);

        EXPECT_GE(Channel->Errors.Count(), 0);
        EXPECT_LE(Channel->Errors.Count(), 100);
        TServerErrorListLayout errors{};
        EXPECT_TRUE(Channel->Errors.ReadAll(errors, false));
        EXPECT_LE(errors.UsedCount(), 100);
        Channel->Errors.Add(-3, "after damage");
        EXPECT_LE(Channel->Errors.Count(), 100);

        EXPECT_LE(Channel->DynamicTags.Count(), 255);
        Channel->DynamicTags.SetValue("NEW", false, 1.0f, 0);
        TDynamicVariable dynamic{};
        Channel->DynamicTags.GetRecord(300, dynamic);
        EXPECT_LE(Channel->DynamicTags.Count(), 255);

        EXPECT_FALSE(Channel->Commands.Add(TCommandRecord{}));
        EXPECT_LE(Channel->Commands.Count(), 16);
        TCommandsListLayout commands{};
        Channel->Commands.Snapshot(commands);
        EXPECT_GE(commands.UsedCount(), 0);
        EXPECT_LE(commands.UsedCount(), 16);

        EXPECT_EQ(std::vector<uint8_t>(Memory.end() - 16, Memory.end()), tail);
    }
}

TEST(UnmappedChannel, GettersReturnDefaultsAndSettersDoNothing) {
    SetServerSlot(0);
    auto channel =
        TIntercomInterface::OverMemory(nullptr, 0, TIntercomInterface::TAttachMode::Open);
    EXPECT_FALSE(channel->IsMapped());
    auto& ch = *channel;
    ch.Info.SetDmlName("x");
    ch.Info.SetDmlState(3);
    ch.ServerData.SetActive(1);
    ch.Errors.Add(-1, "x");
    ch.Terminal.Write("x");
    ch.Terminal.SetOwner(2);
    EXPECT_FALSE(ch.StaticTags.Add(TVariableInfo{}));
    EXPECT_FALSE(ch.DynamicTags.SetValue("x", false, 1, 0));
    EXPECT_FALSE(ch.Commands.Add(TCommandRecord{}));
    EXPECT_FALSE(ch.Commands.Reset());
    EXPECT_FALSE(ch.Commands.Commit());

    EXPECT_EQ(ch.Info.GetDmlName(), "");
    EXPECT_EQ(ch.Info.GetDmlState(), 0);
    EXPECT_EQ(ch.Info.GetDmlTransactionId(), 0);
    EXPECT_EQ(ch.Info.GetHostWindow(), 0u);
    EXPECT_EQ(ch.ServerData.GetActive(), 0);
    EXPECT_EQ(ch.ServerData.GetProcessId(), 0u);
    EXPECT_EQ(ch.StaticTags.Count(), 0);
    EXPECT_EQ(ch.Errors.Count(), 0);
    EXPECT_EQ(ch.DynamicTags.Count(), 0);
    EXPECT_EQ(ch.Commands.Count(), 0);
    EXPECT_EQ(ch.Commands.GetDeviceAddress(), -1);
    EXPECT_EQ(ch.Commands.GetState(), 0);
    EXPECT_EQ(ch.Commands.GetDeviceName(), "");
    EXPECT_NEAR(ch.Commands.GetTime(), platform::Now(), 1.0 / 86400);
    EXPECT_EQ(ch.Terminal.GetOwner(), -1);
    EXPECT_EQ(ch.Terminal.GetCounter(), 0);
    EXPECT_EQ(ch.Terminal.Read(), "");
    TCommandsListLayout commands;
    std::memset(&commands, 0x11, sizeof(commands));
    EXPECT_FALSE(ch.Commands.Snapshot(commands));
    EXPECT_EQ(commands.UsedCount(), 0);
    TServerErrorListLayout errors{};
    EXPECT_FALSE(ch.Errors.ReadAll(errors, true));
    TTerminalInfo info{};
    EXPECT_FALSE(ch.Terminal.GetInfo(-1, info));
    SetServerSlot(-1);
}

} // namespace
