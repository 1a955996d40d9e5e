// Number and boolean texts of the configuration files.
#include "core/xml/TextValues.h"

#include <gtest/gtest.h>

namespace {

TEST(TextValues, TrimBlanksRemovesCodesUpTo32Only) {
    EXPECT_EQ(TrimBlanks(std::string_view("\0\t\r\n x y \x1f ", 11)), "x y");
    EXPECT_EQ(TrimBlanks("\xa0x\xa0"), "\xa0x\xa0"); // a no-break space is text
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(TextValues, Int32) {
    struct TCase {
        const char* Text;
        bool Ok;
        int32_t Value;
    };
    const TCase cases[] = {
        {"0", true, 0},
        {"-7", true, -7},
        {" 12 ", true, 12},
        {"+3", true, 3},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"12a", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"0x10", false, 0},
        {"1 2", false, 0},
    };
    for (const auto& tc : cases) {
        int32_t value = 0;
        EXPECT_EQ(TryTextToInt32(tc.Text, value), tc.Ok) << tc.Text;
        if (tc.Ok) {
            EXPECT_EQ(value, tc.Value) << tc.Text;
        }
    }
}

TEST(TextValues, Bool) {
    struct TCase {
        const char* Text;
        bool Ok;
        bool Value;
    };
    const TCase cases[] = {
        {"True", true, true}, {"fAlSe", true, false},  {"1", true, true},   {"-1", true, true},
        {"0", true, false},   {"00", true, false},     {"0.5", true, true}, {"1e3", true, true},
        {"0e5", true, false}, {"yes", false, false},   {"", false, false},  {"1e", false, false},
        {".", false, false},  {"truex", false, false},
    };
    for (const auto& tc : cases) {
        bool value = !tc.Value;
        EXPECT_EQ(TryTextToBool(tc.Text, value), tc.Ok) << tc.Text;
        if (tc.Ok) {
            EXPECT_EQ(value, tc.Value) << tc.Text;
        }
    }
}

} // namespace
