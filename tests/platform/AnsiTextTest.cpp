// Windows-1251 conversion both ways, case mapping of Russian letters, trimming and comparison.
#include "platform/AnsiText.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::string Bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes)
        s.push_back(char(c));
    return s;
}

TEST(AnsiTextTest, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(char(b));
    std::string utf8 = AnsiToUtf8(all);
    EXPECT_EQ(Utf8ToAnsi(utf8), all);
    // Each byte on its own maps to exactly one character and back.
    for (int b = 0; b < 256; ++b) {
        std::string one(1, char(b));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), one) << b;
    }
}

TEST(AnsiTextTest, MapsTheCodePageCharacters) {
    struct TCase {
        int Byte;
        const char* Utf8;
    };
    const TCase cases[] = {
        {0xC0, "А"},      {0xDF, "Я"}, {0xE0, "а"}, {0xFF, "я"}, {0xA8, "Ё"}, {0xB8, "ё"},
        {0x80, "Ђ"},      {0x88, "€"}, {0x96, "–"}, {0x97, "—"}, {0x99, "™"}, {0xA0, "\u00A0"},
        {0xA5, "Ґ"},      {0xB4, "ґ"}, {0xB2, "І"}, {0xB3, "і"}, {0xAA, "Є"}, {0xBF, "ї"},
        {0xB9, "№"},      {0xAB, "«"}, {0xBB, "»"}, {0xB0, "°"}, {0x85, "…"}, {0x84, "„"},
        {0x93, "“"},      {0x94, "”"}, {0x8F, "Џ"}, {0x9F, "џ"}, {0xBD, "Ѕ"}, {0xA4, "¤"},
        {0x98, "\u0098"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(AnsiToUtf8(std::string(1, char(c.Byte))), c.Utf8) << std::hex << c.Byte;
        EXPECT_EQ(Utf8ToAnsi(c.Utf8), std::string(1, char(c.Byte))) << std::hex << c.Byte;
    }
    EXPECT_EQ(Utf8ToAnsi("Драйвер обмена"), Bytes({0xC4, 0xF0, 0xE0, 0xE9, 0xE2, 0xE5, 0xF0, 0x20,
                                                   0xEE, 0xE1, 0xEC, 0xE5, 0xED, 0xE0}));
}

TEST(AnsiTextTest, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
    struct TCase {
        std::string Utf8;
        std::string Ansi;
    };
    const TCase cases[] = {
        {"日本", "??"},          {"a\xF0\x9F\x98\x80z", "a?z"}, // a character outside the BMP
        {"x\xC3", "x?"},                                        // truncated sequence
        {"\xC0\xAF", "??"},                                     // overlong '/'
        {"\xED\xA0\x80", "???"},                                // surrogate
        {"\xFF!", "?!"},         {"é", "?"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Utf8ToAnsi(c.Utf8), c.Ansi);
}

TEST(AnsiTextTest, CaseMappingCoversCyrillic) {
    const std::string lower = Utf8ToAnsi("абвгдеёжзийклмнопрстуфхцчшщъыьэюяabcxyzђѓљњќћџўјґєіїѕ");
    const std::string upper = Utf8ToAnsi("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯABCXYZЂЃЉЊЌЋЏЎЈҐЄІЇЅ");
    EXPECT_EQ(AnsiUpperCase(lower), upper);
    EXPECT_EQ(AnsiLowerCase(upper), lower);
    // Characters without case stay as they are.
    const std::string neutral = Utf8ToAnsi("0123 №«»µ€—™ ,.!") + Bytes({0x98, 0x00, 0x7F});
    EXPECT_EQ(AnsiUpperCase(neutral), neutral);
    EXPECT_EQ(AnsiLowerCase(neutral), neutral);
    EXPECT_EQ(AnsiUpperChar(char(0xB8)), char(0xA8));
    EXPECT_EQ(AnsiLowerChar(char(0xA8)), char(0xB8));
}

TEST(AnsiTextTest, TrimRemovesControlCodesAndSpaces) {
    const std::string padded = Bytes({0, 9, 10, 13, 32, 'a', ' ', 'b', 31, 32});
    EXPECT_EQ(Trim(padded), "a b");
    EXPECT_EQ(TrimLeft(padded), Bytes({'a', ' ', 'b', 31, 32}));
    EXPECT_EQ(TrimRight(padded), Bytes({0, 9, 10, 13, 32, 'a', ' ', 'b'}));
    EXPECT_EQ(Trim(Bytes({1, 2, 32})), "");
    // The non-breaking space (0xA0) and Cyrillic bytes are text, not blanks.
    EXPECT_EQ(Trim(Bytes({0xA0, 0xE0, ' '})), Bytes({0xA0, 0xE0}));
}

TEST(AnsiTextTest, CompareIgnoresCaseAndFollowsTheAlphabet) {
    auto cmp = [](const char* a, const char* b) {
        int r = AnsiCompareText(Utf8ToAnsi(a), Utf8ToAnsi(b));
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    };
    struct TCase {
        const char* A;
        const char* B;
        int Sign;
    };
    const TCase cases[] = {
        {"Привет", "пРИВЕТ", 0}, {"Ёлка", "ёЛКА", 0}, {"abc", "ABC", 0}, {"", "", 0},
        {"абв", "абг", -1},      {"Я", "а", 1},       {"е", "ё", -1},    {"ё", "ж", -1},
        {"ab", "abc", -1},       {"z", "а", -1},      {"Ёж", "Ежик", 1},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(cmp(c.A, c.B), c.Sign) << c.A << " vs " << c.B;
        EXPECT_EQ(cmp(c.B, c.A), -c.Sign) << c.B << " vs " << c.A;
    }
}

} // namespace
