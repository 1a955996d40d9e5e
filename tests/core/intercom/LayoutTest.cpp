// The block's byte layout as the section objects produce it: where each section starts, where
// each operation's bytes land, what initialisation writes, and what attaching without it writes.
#include "core/intercom/IntercomInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Bytes Short(const std::string& text) {
    Bytes bytes(text.size() + 1);
    bytes[0] = uint8_t(text.size());
    std::copy(text.begin(), text.end(), bytes.begin() + 1);
    return bytes;
}

const Bytes MagicBytes = Short("Vantorelix");

// A block in ordinary memory, laid out by the plug-in's channel with `capacity` static records.
struct TMemoryBlock {
    explicit TMemoryBlock(int32_t capacity, uint8_t fill = 0)
        : Memory(BlockSize(capacity), fill),
          Channel(TIntercomInterface::OverMemory(
              Memory.data(), Memory.size(), TIntercomInterface::TAttachMode::Create, capacity)) {}

    Bytes At(size_t offset, size_t width) const {
        return Bytes(Memory.begin() + offset, Memory.begin() + offset + width);
    }

    Bytes Memory;
    std::unique_ptr<TIntercomInterface> Channel;
};

size_t OffsetOf(const TIntercomInterface& channel, const TIntercomSection& section) {
    return size_t(section.Address() - channel.View());
}

TEST(BlockLayout, SectionsFollowEachOtherForTheStaticCapacity) {
    struct Case {
        int32_t Capacity;
        size_t BlockBytes;
        size_t Errors; // 777 + 8864 + 264 + 777 × N
    } cases[] = {
        {0, 481109, 9905},
        {3, 481109 + 3 * 777, 12236},
        {100, 481109 + 77700, 9905 + 77700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Capacity);
        TMemoryBlock block(c.Capacity);
        const TIntercomInterface& ch = *block.Channel;
        ASSERT_TRUE(ch.IsMapped());
        EXPECT_EQ(BlockSize(c.Capacity), c.BlockBytes);
        EXPECT_EQ(ch.StaticTags.Size(), 264 + 777 * c.Capacity);
        const std::pair<const TIntercomSection*, size_t> expected[] = {
            {&ch.Info, 0},
            {&ch.ServerData, 777},
            {&ch.StaticTags, 9641},
            {&ch.Errors, c.Errors},
            {&ch.DynamicTags, c.Errors + 27488},
            {&ch.Commands, c.Errors + 27488 + 263684},
            {&ch.Terminal, c.Errors + 27488 + 263684 + 9584},
            {&ch.CommandsTerminal, c.Errors + 27488 + 263684 + 9584 + 56816},
            {&ch.RemoteTerminal, c.Errors + 27488 + 263684 + 9584 + 2 * 56816},
        };
        for (const auto& [section, offset] : expected) {
            EXPECT_EQ(OffsetOf(ch, *section), offset);
        }
        EXPECT_EQ(OffsetOf(ch, ch.RemoteTerminal) + 56816, c.BlockBytes);
    }
}

TEST(BlockLayout, OpeningSideTakesTheStaticCapacityFromTheBlock) {
    struct Case {
        const char* What;
        int32_t CreatedCapacity;
        size_t ExtraBytes; // beyond BlockSize: a mapping that is not of the creator's size
        int32_t StoredCount;
        int32_t ExpectedRecords;
    } cases[] = {
        {"full section", 3, 0, 3, 3},
        {"fewer records than capacity: the creator's layout", 5, 0, 3, 5},
        {"rounded mapping: the stored count", 3, 100, 3, 3},
        {"rounded mapping, count beyond it", 3, 100, 1000000, 3},
        {"rounded mapping, negative count", 3, 100, -5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Bytes memory(BlockSize(c.CreatedCapacity) + c.ExtraBytes);
        TIntercomInterface::OverMemory(memory.data(), memory.size(),
                                       TIntercomInterface::TAttachMode::Create, c.CreatedCapacity);
        intercom::StoreInt32(memory.data() + 9641 + 256, c.StoredCount);
        auto opened = TIntercomInterface::OverMemory(memory.data(), memory.size(),
                                                     TIntercomInterface::TAttachMode::Open);
        ASSERT_TRUE(opened->IsMapped());
        EXPECT_EQ(opened->StaticTags.Capacity(), c.ExpectedRecords);
        EXPECT_EQ(OffsetOf(*opened, opened->Errors), 9905u + 777u * c.ExpectedRecords);
        EXPECT_LE(OffsetOf(*opened, opened->RemoteTerminal) + 56816, memory.size());
    }
}

TEST(BlockLayout, BlockTooSmallToBeOneIsNotAttached) {
    Bytes memory(FixedBlockSize - 1);
    for (auto mode :
         {TIntercomInterface::TAttachMode::Open, TIntercomInterface::TAttachMode::Inspect}) {
        auto opened = TIntercomInterface::OverMemory(memory.data(), memory.size(), mode);
        EXPECT_FALSE(opened->IsMapped());
        EXPECT_FALSE(opened->Errors.IsAttached());
    }
    auto created = TIntercomInterface::OverMemory(memory.data(), memory.size(),
                                                  TIntercomInterface::TAttachMode::Create, 0);
    EXPECT_FALSE(created->IsMapped());
}

TEST(BlockLayout, OperationsWriteTheirFieldsAtTheBindingOffsets) {
    constexpr size_t errors = 9905 + 2 * 777, dynamic = errors + 27488, commands = dynamic + 263684,
                     terminal = commands + 9584;
    struct Case {
        const char* Operation;
        std::function<void(TIntercomInterface&)> Run;
        size_t Offset;
        Bytes Expected;
    } cases[] = {
        {"DmlName", [](auto& ch) { ch.Info.SetDmlName("AB"); }, 256, Short("AB")},
        {"DmlState", [](auto& ch) { ch.Info.SetDmlState(7); }, 512, {7}},
        {"Prefixes", [](auto& ch) { ch.Info.SetPrefixes("P;Q"); }, 513, Short("P;Q")},
        {"DmlTransactionId", [](auto& ch) { ch.Info.SetDmlTransactionId(0x01020304); }, 769,
         Le32(0x01020304)},
        {"HostWindow", [](auto& ch) { ch.Info.SetHostWindow(0xA1B2C3D4); }, 773, Le32(0xA1B2C3D4)},
        {"ProcessId", [](auto& ch) { ch.ServerData.SetProcessId(0x11223344); }, 777 + 256,
         Le32(0x11223344)},
        {"WindowHandle", [](auto& ch) { ch.ServerData.SetWindowHandle(0x55667788); }, 777 + 256 + 4,
         Le32(0x55667788)},
        {"ServerTransactionId", [](auto& ch) { ch.ServerData.SetServerTransactionId(65536); },
         777 + 256 + 264, Le32(65536)},
        {"Active", [](auto& ch) { ch.ServerData.SetActive(1); }, 777 + 256 + 268, {1}},
        {"Active of slot 2",
         [](auto& ch) {
             SetServerSlot(2);
             ch.ServerData.SetActive(1);
             SetServerSlot(0);
         },
         777 + 256 + 2 * 269 + 268,
         {1}},
        {"static Count", [](auto& ch) { ch.StaticTags.Add(TVariableInfo{}); }, 9641 + 256, Le32(1)},
        {"static Info.Id",
         [](auto& ch) {
             TVariableInfo info{};
             info.Id.Set(0x0A0B0C0D);
             ch.StaticTags.Add(info);
         },
         9641 + 264 + 16, Le32(0x0A0B0C0D)},
        {"static Value of record 1",
         [](auto& ch) {
             ch.StaticTags.Add(TVariableInfo{});
             ch.StaticTags.Add(TVariableInfo{});
             ch.StaticTags.SetValue(1, 1.5f, 0.0);
         },
         9641 + 264 + 777, Le32(0x3FC00000)},
        {"static SentValue",
         [](auto& ch) {
             ch.StaticTags.Add(TVariableInfo{});
             ch.StaticTags.StoreSent(0, -2.0f);
         },
         9641 + 264 + 4, Le32(0xC0000000)},
        {"static Time",
         [](auto& ch) {
             ch.StaticTags.Add(TVariableInfo{});
             ch.StaticTags.SetValue(0, 0.0f, 2.0);
         },
         9641 + 264 + 8,
         {0, 0, 0, 0, 0, 0, 0, 0x40}},
        {"error Sequence", [](auto& ch) { ch.Errors.Add(-5, "x"); }, errors, Le32(1)},
        {"error Count", [](auto& ch) { ch.Errors.Add(-5, "x"); }, errors + 8, Le32(1)},
        {"error Code", [](auto& ch) { ch.Errors.Add(-5, "x"); }, errors + 16, Le32(uint32_t(-5))},
        {"error Text of entry 1",
         [](auto& ch) {
             ch.Errors.Add(-5, "x");
             ch.Errors.Add(-6, "yz");
         },
         errors + 16 + 272 + 16, Short("yz")},
        {"dynamic Count", [](auto& ch) { ch.DynamicTags.SetValue("a", false, 0, 0); },
         dynamic + 256, Le32(1)},
        {"dynamic Name", [](auto& ch) { ch.DynamicTags.SetValue("a", false, 0, 0); }, dynamic + 260,
         Short("A")},
        {"dynamic Value", [](auto& ch) { ch.DynamicTags.SetValue("a", false, 1.5f, 0); },
         dynamic + 260 + 256, Le32(0x3FC00000)},
        {"dynamic Info.Id", [](auto& ch) { ch.DynamicTags.SetValue("a", false, 0, 0); },
         dynamic + 260 + 268, Le32(uint32_t(-1))},
        {"command DeviceName", [](auto& ch) { ch.Commands.SetDeviceName("dev"); }, commands + 256,
         Short("dev")},
        {"command DeviceAddress",
         [](auto& ch) {
             TCommandRecord command{};
             command.DeviceAddress.Set(7);
             ch.Commands.Add(command);
         },
         commands + 512, Le32(7)},
        {"command Count", [](auto& ch) { ch.Commands.Add(TCommandRecord{}); }, commands + 528,
         Le32(1)},
        {"command State",
         [](auto& ch) {
             ch.Commands.Add(TCommandRecord{});
             ch.Commands.Commit();
         },
         commands + 532,
         {1}},
        {"command 1 TagId",
         [](auto& ch) {
             TCommandRecord command{};
             ch.Commands.Add(command);
             command.TagId.Set(0x33);
             ch.Commands.Add(command);
         },
         commands + 536 + 532, Le32(0x33)},
        {"terminal Counter", [](auto& ch) { ch.Terminal.Write("hi"); }, terminal, Le32(1)},
        {"terminal Owner", [](auto& ch) { ch.Terminal.SetOwner(4); }, terminal + 4, Le32(4)},
        {"terminal Text", [](auto& ch) { ch.Terminal.Write("hi"); }, terminal + 280, {'h', 'i', 0}},
        {"terminal LinkUp",
         [](auto& ch) {
             ch.Terminal.SetOwner(0);
             TTerminalInfo info{};
             info.LinkUp = 1;
             info.LastDuration.Set(9);
             ch.Terminal.SetInfo(0, info);
         },
         terminal + 12 + 256,
         {1, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0}},
        {"CommandsTerminal Text",
         [](auto& ch) { ch.CommandsTerminal.Write("c"); },
         terminal + 56816 + 280,
         {'c', 0}},
        {"RemoteTerminal Owner", [](auto& ch) { ch.RemoteTerminal.SetOwner(2); },
         terminal + 2 * 56816 + 4, Le32(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Operation);
        SetServerSlot(0);
        TMemoryBlock block(2);
        c.Run(*block.Channel);
        EXPECT_EQ(block.At(c.Offset, c.Expected.size()), c.Expected);
    }
    SetServerSlot(-1);
}

TEST(BlockLayout, CreatorInitialisesEverySection) {
    constexpr uint8_t garbage = 0xEE;
    TMemoryBlock block(1, garbage);
    constexpr size_t errors = 9905 + 777, dynamic = errors + 27488, commands = dynamic + 263684,
                     terminal = commands + 9584;
    for (size_t magic : {size_t(0), size_t(777), size_t(9641), dynamic, commands}) {
        EXPECT_EQ(block.At(magic, 11), MagicBytes) << magic;
    }
    EXPECT_EQ(block.At(256, 1), Bytes{0});      // DmlName
    EXPECT_EQ(block.At(512, 2), (Bytes{0, 0})); // DmlState, Prefixes
    for (size_t slot = 0; slot < 32; ++slot) {
        const size_t at = 777 + 256 + 269 * slot;
        EXPECT_EQ(block.At(at, 9), Bytes(9, 0)) << slot;
        EXPECT_EQ(block.At(at + 9, 1), Bytes{garbage}) << "Reserved2 is never written";
        EXPECT_EQ(block.At(at + 264, 5), Bytes(5, 0)) << slot;
    }
    EXPECT_EQ(block.At(9641 + 256, 8), (Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(block.At(errors, 5), Bytes(5, 0));
    EXPECT_EQ(block.At(errors + 8, 4), Bytes(4, 0));
    Bytes dynamicSection = block.At(dynamic, 263684);
    EXPECT_EQ(Bytes(dynamicSection.begin() + 11, dynamicSection.end()), Bytes(263684 - 11, 0));
    EXPECT_EQ(block.At(commands + 256, 1), Bytes{0});
    EXPECT_EQ(block.At(commands + 512, 4), Le32(uint32_t(-1)));
    EXPECT_GT(intercom::LoadFloat64(block.Memory.data() + commands + 520), 40000.0);
    EXPECT_EQ(block.At(commands + 528, 5), Bytes(5, 0));
    for (size_t at : {terminal, terminal + 56816, terminal + 2 * 56816}) {
        EXPECT_EQ(block.At(at, 9), (Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0})) << at;
        EXPECT_EQ(block.At(at + 12, 268), Bytes(268, 0)) << at;
        EXPECT_EQ(block.At(at + 280, 1), Bytes{0}) << at;
    }
}

TEST(BlockLayout, OpeningWritesOnlyTheStaticMagicAndReservedAndInspectingNothing) {
    TMemoryBlock block(2);
    std::memset(block.Memory.data() + 9641, 0x5A, 264); // static Magic, Count and Reserved
    intercom::StoreInt32(block.Memory.data() + 9641 + 256, 2);
    const Bytes before = block.Memory;

    auto inspected = TIntercomInterface::OverMemory(block.Memory.data(), block.Memory.size(),
                                                    TIntercomInterface::TAttachMode::Inspect);
    ASSERT_TRUE(inspected->IsMapped());
    EXPECT_EQ(block.Memory, before);

    auto opened = TIntercomInterface::OverMemory(block.Memory.data(), block.Memory.size(),
                                                 TIntercomInterface::TAttachMode::Open);
    ASSERT_TRUE(opened->IsMapped());
    std::vector<size_t> changed;
    for (size_t i = 0; i < before.size(); ++i) {
        if (block.Memory[i] != before[i]) {
            changed.push_back(i);
        }
    }
    std::vector<size_t> expected;
    for (size_t i = 0; i < 11; ++i) {
        if (MagicBytes[i] != 0x5A) {
            expected.push_back(9641 + i);
        }
    }
    for (size_t i = 260; i < 264; ++i) {
        expected.push_back(9641 + i);
    }
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(opened->StaticTags.Count(), 2);
}

} // namespace
