// The device property list: the base table, edit information, the editor's conversions,
// captions and the look-ups by name.
#include "core/driver/DeviceProperties.h"
#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TRow {
    std::string Name;
    std::string Value;
    int Kind;
    bool operator==(const TRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TRow& row) {
    return out << row.Name << "=" << row.Value << "/" << row.Kind;
}

std::vector<TRow> Rows(const TDevicePropertyList& list) {
    std::vector<TRow> rows;
    for (int32_t i = 0; i < list.Count(); ++i) {
        rows.push_back({list.Item(i)->Name, list.Item(i)->Value, list.Item(i)->Kind});
    }
    return rows;
}

TEST(DeviceProperties, BaseTable) {
    TDevicePropertyList list;
    list.SetProperty("Stale", "x", 0); // emptied first
    list.FillDefaults();
    const std::vector<TRow> expected = {
        {"DeviceName", "New device", 0}, {"DeviceIPAddress", "", 0},
        {"DeviceAddress", "1", 1},       {"IPPort", "502", 1},
        {"TimeOut", "100", 1},           {"RetryCount", "3", 1},
        {"Enabled", "TRUE", 2},          {"RoutingPrefix", "VANTORELIX", 0},
        {"ReqwestInterval", "2000", 1},  {"PINGTimeOut", "500", 1},
        {"ICMPOnConnect", "TRUE", 2},    {"VarConnectStateName", "", 5},
        {"CommandStateName", "", 5},     {"VarBlockCommand", "", 5},
        {"RS232Port", "COM1", 4},        {"RS232BaudRate", "9600", 4},
        {"RS232StopBits", "0", 4},       {"RS232ByteSize", "8", 4},
        {"RS232Parity", "0", 4},
    };
    EXPECT_EQ(Rows(list), expected);
    EXPECT_EQ(list.GetDefaultValue("IPPort"), "502");
    EXPECT_EQ(list.GetDefaultValue("ipport"), ""); // case-sensitive
    EXPECT_EQ(list.GetDefaultValue("Other"), "");
}

// A derived list's defaults reach the table FillDefaults builds.
class TOtherDefaults : public TDevicePropertyList {
public:
    std::string GetDefaultValue(const std::string& name) override {
        return name == "IPPort" ? "161" : TDevicePropertyList::GetDefaultValue(name);
    }
};

TEST(DeviceProperties, FillDefaultsAsksTheDerivedDefaults) {
    TOtherDefaults list;
    list.FillDefaults();
    EXPECT_EQ(list.GetValue("IPPort", "?"), "161");
    EXPECT_EQ(list.GetValue("TimeOut", "?"), "100");
}

TEST(DeviceProperties, EditInfo) {
    struct TCase {
        const char* Name;
        bool WithList;
        bool Known;
        int Kind;
        int32_t Minimum;
        int32_t Maximum;
        size_t Choices;
        const char* FirstChoice;
        const char* LastChoice;
    };
    const TCase cases[] = {
        {"Unknown", true, false, 1, 0, 2147483647, 0, nullptr, nullptr},
        {"DeviceName", true, true, 0, 0, 2147483647, 0, nullptr, nullptr},
        {"Enabled", false, true, 2, 0, 1, 0, nullptr, nullptr},
        {"ICMPOnConnect", true, true, 2, 0, 1, 2, "FALSE", "TRUE"},
        {"IPPort", false, true, 1, 1, 65535, 0, nullptr, nullptr},
        {"DeviceAddress", true, true, 1, 1, 255, 0, nullptr, nullptr},
        {"RS232Port", true, true, 4, 0, 254, 255, "COM1", "COM255"},
        {"RS232Port", false, true, 4, 0, 2147483647, 0, nullptr, nullptr},
        {"RS232BaudRate", true, true, 4, 0, 14, 15, "110", "256000"},
        {"RS232StopBits", true, true, 4, 0, 2, 3, "1", "2"},
        {"RS232ByteSize", true, true, 4, 0, 1, 2, "8", "7"},
        {"RS232Parity", true, true, 4, 0, 4, 5, "None", "Space"},
        {"VarBlockCommand", true, true, 5, 0, 2147483647, 0, nullptr, nullptr},
    };
    TDevicePropertyList list;
    list.FillDefaults();
    for (const auto& tc : cases) {
        int32_t minimum = -5;
        int32_t maximum = -5;
        uint8_t kind = 99;
        TStringList choices{"stale"};
        EXPECT_EQ(
            list.GetEditInfo(tc.Name, minimum, tc.WithList ? &choices : nullptr, kind, maximum),
            tc.Known)
            << tc.Name;
        EXPECT_EQ(kind, tc.Kind) << tc.Name;
        EXPECT_EQ(minimum, tc.Minimum) << tc.Name;
        EXPECT_EQ(maximum, tc.Maximum) << tc.Name;
        if (tc.WithList) {
            ASSERT_EQ(choices.size(), tc.Choices) << tc.Name;
            if (tc.Choices > 0) {
                EXPECT_EQ(choices.front(), tc.FirstChoice) << tc.Name;
                EXPECT_EQ(choices.back(), tc.LastChoice) << tc.Name;
            }
        }
    }
}

TEST(DeviceProperties, ChoicesAndStoredValues) {
    struct TCase {
        const char* Name;
        TStringList Choices;
        int32_t Index;
        const char* Stored;
    };
    const TCase cases[] = {
        {"RS232ByteSize", {"8", "7"}, 1, "4"},
        {"RS232ByteSize", {"8", "7"}, 0, "8"},
        {"RS232ByteSize", {"9"}, 0, "8"},
        {"RS232StopBits", {"1", "1.5", "2"}, 0, "0"},
        {"RS232StopBits", {"1", "1.5", "2"}, 1, "1"},
        {"RS232StopBits", {"1", "1.5", "2"}, 2, "2"},
        {"RS232StopBits", {"3"}, 0, "0"},
        {"RS232Parity", {"None", "Odd", "Even", "Mark", "Space"}, 2, "2"},
        {"RS232Parity", {"Space"}, 0, "4"},
        {"RS232Parity", {"odd"}, 0, "0"},
        {"RS232BaudRate", {"110", "12345"}, 1, "12345"},
        {"RS232Port", {"COM1", "COM7"}, 1, "COM7"},
        {" RS232ByteSize ", {"8", "7"}, 1, "4"}, // names are trimmed
        {"DeviceName", {"a", "b"}, 1, "b"},
        {"RS232ByteSize", {"8", "7"}, 2, ""},
        {"RS232ByteSize", {"8", "7"}, -1, ""},
    };
    TDevicePropertyList list;
    for (const auto& tc : cases) {
        EXPECT_EQ(list.ListChoiceToValue(tc.Name, tc.Choices, tc.Index), tc.Stored)
            << tc.Name << " #" << tc.Index;
    }
}

TEST(DeviceProperties, StoredValuesAsShown) {
    struct TCase {
        const char* Name;
        const char* Stored;
        const char* Shown;
    };
    const TCase cases[] = {
        {"RS232ByteSize", "4", "7"},       {"RS232ByteSize", "8", "8"},
        {"RS232ByteSize", "5", "5"},       {"RS232StopBits", "0", "1"},
        {"RS232StopBits", "1", "1.5"},     {"RS232StopBits", "2", "2"},
        {"RS232StopBits", "x", "x"},       {"RS232Parity", "0", "None"},
        {"RS232Parity", "3", "Mark"},      {"RS232Parity", "4", "Space"},
        {"RS232Parity", "7", "None"},      {"RS232Parity", "", "None"},
        {"RS232BaudRate", "9600", "9600"}, {"DeviceName", "4", "4"},
    };
    TDevicePropertyList list;
    for (const auto& tc : cases) {
        EXPECT_EQ(list.ValueToDisplay(tc.Name, tc.Stored), tc.Shown) << tc.Name << " " << tc.Stored;
    }
}

TEST(DeviceProperties, CaptionsAndDescriptions) {
    TDevicePropertyList list;
    std::string text;
    EXPECT_TRUE(list.GetCaption("deviceNAME", text));
    EXPECT_EQ(platform::AnsiToUtf8(text), "Имя устройства:");
    EXPECT_TRUE(list.GetCaption("RS232StopBits", text));
    EXPECT_EQ(platform::AnsiToUtf8(text), "Количество сатртовых/стоповых бит:");
    EXPECT_FALSE(list.GetCaption("Unknown", text));
    EXPECT_EQ(text, "???");

    EXPECT_TRUE(list.GetDescription("DeviceIPAddress", text));
    EXPECT_EQ(platform::AnsiToUtf8(text), "TCP/IP адрес устройства. Настоящая версия поддерживает "
                                          "только фиксированные адреса вида 192.0.2.10.");
    EXPECT_TRUE(list.GetDescription("DeviceName", text));
    EXPECT_EQ(text.back(), ' '); // the text ends with a space
    for (const char* name : {"RS232ByteSize", "PINGTimeOut", "VarBlockCommand"}) {
        EXPECT_TRUE(list.GetDescription(name, text));
        EXPECT_FALSE(text.empty()) << name;
    }
    EXPECT_FALSE(list.GetDescription("Unknown", text));
    EXPECT_EQ(text, "");
}

TEST(DeviceProperties, TypedValues) {
    TDevicePropertyList list;
    list.SetProperty("N", "-12", 1);
    list.SetProperty("Bad", "12a", 1);
    list.SetProperty("T", "true", 2);
    list.SetProperty("Z", "0", 2);
    list.SetProperty("Y", "yes", 2);
    EXPECT_EQ(list.GetIntValue("N", 7), -12);
    EXPECT_EQ(list.GetIntValue("Bad", 7), 7);
    EXPECT_EQ(list.GetIntValue("Missing", 7), 7);
    EXPECT_TRUE(list.GetBoolValue("T", false));
    EXPECT_TRUE(list.GetBoolValue("N", false));
    EXPECT_FALSE(list.GetBoolValue("Z", true));
    EXPECT_TRUE(list.GetBoolValue("Y", true));
    EXPECT_FALSE(list.GetBoolValue("Y", false));
    EXPECT_EQ(list.GetValue("n", "dflt"), "dflt");  // case-sensitive
    EXPECT_EQ(list.GetValue(" N ", "dflt"), "-12"); // trimmed
}

TEST(DeviceProperties, SetFindDeleteAndAssign) {
    TDevicePropertyList list;
    EXPECT_FALSE(list.SetProperty("  ", "x", 0));
    EXPECT_TRUE(list.SetProperty(" A ", "1", 0));
    EXPECT_TRUE(list.SetProperty("B", "2", 1));
    EXPECT_TRUE(list.SetProperty("A", "3", 4)); // replaced in place, not appended
    EXPECT_EQ(Rows(list), (std::vector<TRow>{{"A", "3", 4}, {"B", "2", 1}}));
    EXPECT_EQ(list.FindProperty("a"), nullptr);

    TDevicePropertyList copy;
    copy.SetProperty("Old", "x", 0);
    copy.Assign(list);
    EXPECT_EQ(Rows(copy), Rows(list));
    EXPECT_NE(copy.FindProperty("A"), list.FindProperty("A")); // items are copies

    EXPECT_TRUE(list.DeleteProperty("A"));
    EXPECT_FALSE(list.DeleteProperty("A"));
    EXPECT_EQ(Rows(list), (std::vector<TRow>{{"B", "2", 1}}));
    EXPECT_EQ(Rows(copy).size(), 2u);
}

} // namespace
