// Routing strings, the routing index built from the static tags (order, duplicates, scale,
// inversion, prefixes in either letter case), the flush of received values with its reports,
// and the imitator's walk over a tag's range.
#include "core/driver/Device.h"
#include "core/intercom/LittleEndian.h"
#include "core/polling/ImitatorVariables.h"
#include "core/polling/ReceiveVariables.h"
#include "core/polling/Routing.h"
#include "tests/core/polling/PollingWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

TEST(Routing, ParsesTheThreeForms) {
    struct Case {
        const char* Text;
        bool Ok;
        const char* Prefix;
        int32_t Device;
        const char* StrAddress;
        int32_t Address;
    };
    const Case cases[] = {
        {"VANTORELIX: DEVICE=1; ADDRESS=5", true, "VANTORELIX", 1, "", 5},
        {"vantorelix : device = 1 ; address = 5", true, "VANTORELIX", 1, "", 5},
        {"  VANTORELIX:DEVICE=-2;ADDRESS=+7  ", true, "VANTORELIX", -2, "", 7},
        {"SNMP1: ROUTING=ifInOctets.2", true, "SNMP1", -1, "ifInOctets.2", -1},
        {"SNMP1: ifInOctets.2", true, "SNMP1", -1, "ifInOctets.2", -1},
        {"snmp1: routing = ifInOctets.2 ", true, "SNMP1", -1, "ifInOctets.2", -1},
        {"SNMP1: ROUTING=a=b", true, "SNMP1", -1, "a=b", -1},
        {"SNMP1:", true, "SNMP1", -1, "", -1},
        {"VANTORELIX: DEVICE=1; ADDRESS=5;", true, "VANTORELIX", 1, "", -1},
        {"VANTORELIX: DEVICE=x; ADDRESS=5", true, "VANTORELIX", -1, "", 5},
        {"VANTORELIX: DEVICE=1", false, "", -1, "", -1},
        {"VANTORELIX: DEVICE=1; PORT=5", false, "", -1, "", -1},
        {"VANTORELIX: DEVICE=1; ADDRESS 5", false, "", -1, "", -1},
        {"VANTORELIX DEVICE=1; ADDRESS=5", false, "", -1, "", -1},
        {"X: PORT=3", false, "", -1, "", -1},
        {"   ", false, "", -1, "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        std::string prefix = "old", strAddress = "old";
        int32_t device = 99, address = 99;
        ASSERT_EQ(ParseRouting(c.Text, prefix, device, strAddress, address), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(prefix, c.Prefix);
            EXPECT_EQ(device, c.Device);
            EXPECT_EQ(strAddress, c.StrAddress);
            EXPECT_EQ(address, c.Address);
        }
    }
}

TEST(Routing, CyrillicPrefixIsUpperCasedInTheCodePage) {
    std::string prefix, strAddress;
    int32_t device = 0, address = 0;
    ASSERT_TRUE(ParseRouting(Ansi("щит: Датчик"), prefix, device, strAddress, address));
    EXPECT_EQ(prefix, Ansi("ЩИТ"));
    EXPECT_EQ(strAddress, Ansi("Датчик"));
}

// Tags 0..5: routing strings in key order and out of it, a duplicate, a string address that
// differs only in letter case, and one that does not parse.
const std::vector<TTagSpec> IndexTags = {
    {"T0", "PLC: DEVICE=2; ADDRESS=1"},
    {"T1", "PLC: DEVICE=1; ADDRESS=10", 2.0f},
    {"T2", "plc : device=1 ; address=10"}, // same address as T1: dropped
    {"T3", "SNMP1: ifInOctets.2", 0, true},
    {"T4", "SNMP1: ROUTING=IFINOCTETS.2"}, // same key as T3 (letter case): dropped
    {"T5", "no routing here"},
    {"T6", "PLC: DEVICE=1; ADDRESS=2", 0, false, 3},
};

TEST(VariableIndex, BuildKeepsTheFirstTagOfEachAddressInKeyOrder) {
    TTestBlock block(IndexTags);
    block.BuildIndex();
    TVariableIndex& index = *block.Index;
    ASSERT_EQ(index.Count(), 4);
    std::vector<int32_t> statics;
    for (int32_t i = 0; i < index.Count(); ++i) {
        statics.push_back(index.Entry(i)->StaticIndex);
        if (i > 0) {
            EXPECT_LT(index.Entry(i - 1)->Key, index.Entry(i)->Key);
        }
    }
    // Keys compare as text: "PREFIX=PLC DEVICE=1 ADDRESS=10" sorts before "... ADDRESS=2".
    EXPECT_EQ(statics, (std::vector<int32_t>{1, 6, 0, 3}));
    EXPECT_EQ(index.Entry(0)->Key, "PREFIX=PLC DEVICE=1 ADDRESS=10 STRADDRESS=");
    const TTagIndexEntry* snmp = index.Entry(3);
    EXPECT_EQ(snmp->Key, "PREFIX=SNMP1 DEVICE=-1 ADDRESS=-1 STRADDRESS=IFINOCTETS.2");
    EXPECT_EQ(snmp->StrAddress, "ifInOctets.2");
    EXPECT_TRUE(snmp->Invert);
    EXPECT_EQ(index.Entry(1)->TypeCode, 3);
}

TEST(VariableIndex, BuildWithoutChannelFails) {
    ServerRuntime().Clear();
    TVariableIndex index;
    EXPECT_FALSE(index.Build());
    EXPECT_EQ(index.Count(), 0);
}

TEST(VariableIndex, ValuesAreScaledInvertedAndDroppedWhenUnknown) {
    TTestBlock block(IndexTags);
    block.BuildIndex();
    TReceiveVariables received;
    struct Case {
        const char* Prefix;
        int32_t Device, Address;
        const char* StrAddress;
        float Value;
        int32_t Tag;
        float Stored;
    };
    const Case cases[] = {
        {"PLC", 1, 10, "", 10, 1, 5},               // scale 2
        {"SNMP1", -1, -1, "IFINOCTETS.2", 0, 3, 1}, // inverted: 0 becomes 1
        {"PLC", 2, 1, "", 3.5f, 0, 3.5f},
        {"PLC", 1, 2, "", -4, 6, -4},
    };
    for (const Case& c : cases) {
        AddReceived(received, c.Prefix, c.Device, c.Value, c.StrAddress, c.Address);
    }
    AddReceived(received, "PLC", 9, 1, "", 9); // not indexed: dropped
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(received.Count(), 0);
    for (const Case& c : cases) {
        EXPECT_EQ(block.StaticValue(c.Tag), c.Stored) << c.Tag;
    }
    EXPECT_EQ(block.StaticValue(2), -1); // the dropped duplicate is never written
    AddReceived(received, "SNMP1", -1, 3, "ifinoctets.2", -1);
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(block.StaticValue(3), 0); // inverted: non-zero becomes 0
    EXPECT_TRUE(block.Reporter->Reports().empty());
}

// A device configured with a lower-case prefix queues its values under that prefix; the plug-in
// bound the tags by the upper-cased prefix, and so must the server find them.
TEST(VariableIndex, LowerCasePrefixOfAReceivedValueReachesItsTag) {
    TTestBlock block({{"T0", "SNMP1: DEVICE=1; ADDRESS=3"}, {"T1", Ansi("Щит: уровень")}});
    block.BuildIndex();
    TReceiveVariables received;
    AddReceived(received, "snmp1", 1, 42, "", 3);
    AddReceived(received, Ansi("щит"), -1, 7, Ansi("Уровень"), -1);
    EXPECT_EQ(received.Item(0)->Prefix, "snmp1"); // the queue keeps what the device gave
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(block.StaticValue(0), 42);
    EXPECT_EQ(block.StaticValue(1), 7);
    // A prefix configured with blanks around it is bound trimmed by the plug-in.
    AddReceived(received, " snmp1\t", 1, 43, "", 3);
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(block.StaticValue(0), 43);
    TDMLVariable record;
    ASSERT_TRUE(block.Index->GetTagRecord("Snmp1", 1, 3, "", record));
    EXPECT_EQ(record.Info.TagName.Get(), "T0");
    EXPECT_FALSE(block.Index->GetTagRecord("snmp1", 1, 4, "", record));
}

TEST(VariableIndex, ValueOfATagThatCannotBeReadIsReportedAndTheRestWritten) {
    TTestBlock block({{"T0", "P: DEVICE=1; ADDRESS=1"}, {"T1", "P: DEVICE=1; ADDRESS=2"}});
    block.BuildIndex();
    // The section now claims one record only: the second tag's record cannot be read.
    intercom::StoreInt32(block.Channel->StaticTags.Address() + 256, 1);
    TReceiveVariables received;
    AddReceived(received, "P", 1, 5, "", 2);
    AddReceived(received, "P", 1, 6, "", 1);
    EXPECT_FALSE(FlushReceived(received));
    EXPECT_EQ(received.Count(), 0);
    EXPECT_EQ(block.StaticValue(0), 6);
    const auto reports = block.Reporter->Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0],
              std::make_pair(-22, Ansi("Ошибка при получении информации об обрабатываемом теге.")));
    EXPECT_EQ(reports[1], std::make_pair(-21, Ansi("Ошибка при записи нового значения тега: ") +
                                                  "P: DEVICE=1 ADDRESS=2"));
}

TEST(VariableIndex, FlushWithoutIndexIsReportedAndEmptiesTheQueue) {
    TTestBlock block(std::vector<TTagSpec>{{"T0", "P: DEVICE=1; ADDRESS=1"}});
    TReceiveVariables received;
    AddReceived(received, "P", 1, 5, "", 1);
    EXPECT_FALSE(FlushReceived(received));
    EXPECT_EQ(received.Count(), 0);
    EXPECT_EQ(block.Reporter->Reports(),
              (std::vector<std::pair<int32_t, std::string>>{
                  {-20, Ansi("Ошибка при инициализации данных сервера доступа к устройству.")}}));
    // An index without entries drops the values quietly.
    block.BuildIndex();
    TTestBlock empty(std::vector<TTagSpec>{{"T0", "nothing"}});
    empty.BuildIndex();
    AddReceived(received, "P", 1, 5, "", 1);
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(received.Count(), 0);
    EXPECT_TRUE(empty.Reporter->Reports().empty());
}

TEST(VariableIndex, TextsAreCutTo255Characters) {
    const std::string longAddress(300, 'a');
    TTestBlock block({{"T0", "P: " + longAddress}});
    block.BuildIndex();
    ASSERT_EQ(block.Index->Count(), 1);
    // The routing field holds 254 characters; what is indexed is what the record carries.
    TReceiveVariables received;
    AddReceived(received, "P", -1, 9, std::string(251, 'a') + "bbbb", -1);
    EXPECT_EQ(received.Item(0)->StrAddress.size(), 255u);
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(block.StaticValue(0), -1);
    AddReceived(received, "P", -1, 9, std::string(251, 'A'), -1);
    EXPECT_TRUE(FlushReceived(received));
    EXPECT_EQ(block.StaticValue(0), 9);
}

TEST(VariableIndex, TenThousandTagsAreAllFound) {
    std::vector<TTagSpec> tags;
    for (int32_t i = 0; i < 10000; ++i) {
        tags.push_back({"T" + std::to_string(i),
                        "BIG: DEVICE=" + std::to_string(i % 7) + "; ADDRESS=" + std::to_string(i),
                        i % 2 == 0 ? 0.0f : 10.0f});
    }
    TTestBlock block(tags);
    block.BuildIndex();
    ASSERT_EQ(block.Index->Count(), 10000);
    TReceiveVariables received;
    for (int32_t i = 0; i < 10000; ++i) {
        AddReceived(received, "BIG", i % 7, float(i), "", i);
    }
    EXPECT_TRUE(FlushReceived(received));
    for (int32_t i = 0; i < 10000; i += 997) {
        EXPECT_EQ(block.StaticValue(i), i % 2 == 0 ? float(i) : float(i) / 10.0f) << i;
    }
}

TEST(Imitator, WalksEachTagFromBound1ToBound2AndAround) {
    TTestBlock block({{"A", "IMI: DEVICE=1; ADDRESS=1", 0, false, 0, -10, 10},
                      {"B", "IMI: DEVICE=1; ADDRESS=2", 0, false, 1, 0, 1},
                      {"C", "IMI: DEVICE=1; ADDRESS=3", 0, false, 2, 0, 1}, // type 2: not imitated
                      {"D", "IMI: DEVICE=2; ADDRESS=1"},                    // other device
                      {"E", "OTHER: DEVICE=1; ADDRESS=4"}});
    block.BuildIndex();
    DriverOptions().ImitatorRate = 250;
    TDevice device;
    device.Properties->SetProperty("RoutingPrefix", "imi", 0);
    device.Properties->SetProperty("DeviceAddress", "1", 1);
    device.ApplyProperties();
    TReceiveVariables received;
    TTerminalDataClass terminal;
    std::vector<float> values;
    std::string secondCycle;
    for (int cycle = 0; cycle < 102; ++cycle) {
        terminal.Clear();
        device.RunImitator(received, &terminal);
        if (cycle == 1) {
            secondCycle = terminal.GetText();
        }
        ASSERT_EQ(received.Count(), 2);
        values.push_back(received.Item(0)->Value);
        EXPECT_EQ(received.Item(1)->Value, float(cycle % 101) / 100.0f);
        received.FreeAll();
    }
    DriverOptions().ImitatorRate = -1;
    EXPECT_EQ(device.ReqwestInterval, 250);
    ASSERT_EQ(device.ImitatorVariables->Count(), 2);
    EXPECT_EQ(values[0], -10);
    EXPECT_EQ(values[50], 0);
    EXPECT_EQ(values[100], 10);
    EXPECT_EQ(values[101], -10);
    for (int i = 1; i <= 100; ++i) {
        EXPECT_LT(values[i - 1], values[i]);
    }
    // The second cycle's lines: step 1 of each ramp.
    EXPECT_EQ(Lines(secondCycle), (std::vector<std::string>{"Imitator start action:", "A = -9.8",
                                                            "B = 0.01", "Imitator end action."}));
}

} // namespace
