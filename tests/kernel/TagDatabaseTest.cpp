// The kernel stand-in's tag database: lines into variable descriptions, and the line that is
// wrong named in the error.
#include "kernel/TagDatabase.h"

#include <gtest/gtest.h>

namespace {

TEST(TagDatabase, ReadsEveryFieldOfALine) {
    TTagDatabase database;
    std::string error;
    ASSERT_TRUE(database.LoadFromText("# comment\n\n"
                                      " PUMP_1 | 7 | SNMP1: DEVICE=1; ADDRESS=5 | 1 | -5 | 5 | 0.5 "
                                      "| 10 | 1 | 2.5\n"
                                      "SHORT|8|SNMP1: ROUTING=sysUpTime\n",
                                      error))
        << error;
    ASSERT_EQ(database.Tags.size(), 2u);
    const auto& pump = database.Tags[0];
    EXPECT_EQ(pump.Id.Get(), 7);
    EXPECT_EQ(pump.TagName.Get(), "PUMP_1");
    EXPECT_EQ(pump.Routing.Get(), "SNMP1: DEVICE=1; ADDRESS=5");
    EXPECT_EQ(pump.TypeCode, 1);
    EXPECT_EQ(pump.Bound1.Get(), -5.0f);
    EXPECT_EQ(pump.Bound2.Get(), 5.0f);
    EXPECT_EQ(pump.DeadBand.Get(), 0.5f);
    EXPECT_EQ(pump.Scale.Get(), 10.0f);
    EXPECT_EQ(pump.Inverse.Get(), 1);
    EXPECT_EQ(pump.Value.Get(), 2.5f);
    const auto& other = database.Tags[1];
    EXPECT_EQ(other.Bound2.Get(), 100.0f);
    EXPECT_EQ(other.Scale.Get(), 0.0f);
}

TEST(TagDatabase, NamesTheWrongLine) {
    struct Case {
        const char* Text;
        const char* Error;
    };
    const Case cases[] = {
        {"A|1\n", "line 1: expected 3 to 10 fields separated by '|'"},
        {"\nA|x|R\n", "line 2: the id is not an integer"},
        {"A|1|R|300\n", "line 1: the type code is not a number 0..255"},
        {"A|1|R|0|low\n", "line 1: field 5 is not a number"},
        {"A|1|R|0|0|1|0|0|2\n", "line 1: inverse must be 0 or 1"},
        {"|1|R\n", "line 1: the name must have 1 to 40 characters"},
        {"ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJX|1|R\n",
         "line 1: the name must have 1 to 40 characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TTagDatabase database;
        std::string error;
        EXPECT_FALSE(database.LoadFromText(c.Text, error));
        EXPECT_EQ(error, c.Error);
    }
}

} // namespace
