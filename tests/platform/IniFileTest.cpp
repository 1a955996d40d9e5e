// Settings files: lookups with the Windows profile rules, integer parsing, and rewriting.
#include "platform/IniFile.h"

#include "TempDir.h"
#include "platform/AnsiText.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

const char* kSample = "; settings of the server\n"
                      "stray=1\n"
                      "[Server]\n"
                      "  Interval = 250  \n"
                      "Negative=-17\n"
                      "Trailing=12abc\n"
                      "Words=abc\n"
                      "Empty=\n"
                      "Blank=   \n"
                      "Plus=+8\n"
                      "Huge=99999999999\n"
                      "HugeNeg=-99999999999\n"
                      "Quoted=\" padded \"\n"
                      "Single='x'\n"
                      "Equals=a=b\n"
                      ";Commented=5\n"
                      "NoEquals\n"
                      "Dup=1\n"
                      "Dup=2\n"
                      "[debugger]\n"
                      "imitator=1\n"
                      "state_change=0\n"
                      "flag=True\n"
                      "off=FALSE\n"
                      "[ server ]\n"
                      "Interval=999\n"
                      "Late=3\n";

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { File = Dir.Write("Plinvar.ini", kSample); }
    TTempDir Dir;
    std::string File;
};

TEST_F(IniFileTest, IntegersFollowTheProfileReader) {
    struct TCase {
        const char* Section;
        const char* Key;
        int32_t Default;
        int32_t Expected;
    };
    const TCase cases[] = {
        {"server", "interval", -1, 250},  // case-insensitive names, blanks around
        {"SERVER", "INTERVAL", -1, 250},  // the first section of a name wins
        {"Server", "Negative", 0, -17},   //
        {"Server", "Trailing", 0, 12},    // leading number taken
        {"Server", "Words", 7, 0},        // no number at all
        {"Server", "Empty", 7, 7},        // empty value counts as missing
        {"Server", "Blank", 7, 7},        //
        {"Server", "Plus", 0, 8},         //
        {"Server", "Huge", 0, INT32_MAX}, // clamped
        {"Server", "HugeNeg", 0, INT32_MIN},
        {"Server", "Missing", 42, 42},   //
        {"Server", "Commented", 42, 42}, // comment lines are no keys
        {"Server", "Dup", 0, 1},         // first occurrence wins
        {"Server", "Late", 5, 5},        // a later duplicate section is not read
        {"Nowhere", "Interval", -3, -3}, //
        {"", "stray", 9, 9},             // keys before any section belong to none
        {"debugger", "imitator", 0, 1},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ReadIniInteger(File, c.Section, c.Key, c.Default), c.Expected)
            << c.Section << "/" << c.Key;
    EXPECT_EQ(ReadIniInteger(Dir.File("absent.ini"), "Server", "Interval", 77), 77);
    EXPECT_EQ(ReadIniInteger(Dir.File(""), "Server", "Interval", 77), 77); // a directory
}

TEST_F(IniFileTest, BooleansAreNonZeroIntegersOrWords) {
    EXPECT_TRUE(ReadIniBool(File, "debugger", "imitator", false));
    EXPECT_FALSE(ReadIniBool(File, "debugger", "state_change", true));
    EXPECT_TRUE(ReadIniBool(File, "Debugger", "FLAG", false));
    EXPECT_FALSE(ReadIniBool(File, "debugger", "off", true));
    EXPECT_TRUE(ReadIniBool(File, "server", "Negative", false));
    EXPECT_TRUE(ReadIniBool(File, "debugger", "missing", true));
    EXPECT_FALSE(ReadIniBool(File, "debugger", "missing", false));
    EXPECT_TRUE(ReadIniBool(File, "server", "Empty", true));
}

TEST_F(IniFileTest, StringsAreTrimmedAndUnquoted) {
    EXPECT_EQ(ReadIniString(File, "server", "Quoted", "-"), " padded ");
    EXPECT_EQ(ReadIniString(File, "server", "Single", "-"), "x");
    EXPECT_EQ(ReadIniString(File, "server", "Equals", "-"), "a=b");
    EXPECT_EQ(ReadIniString(File, "server", "Empty", "-"), "");
    EXPECT_EQ(ReadIniString(File, "server", "NoEquals", "-"), "-");
}

TEST_F(IniFileTest, CyrillicNamesAndByteOrderMark) {
    // A byte-order mark in front of the first section is skipped.
    std::string withBom = Dir.Write("bom.ini", "\xEF\xBB\xBF[A]\r\nk=4\r\n");
    EXPECT_EQ(ReadIniInteger(withBom, "a", "K", 0), 4);
    std::string ru = Dir.Write("ru2.ini", Utf8ToAnsi("[Сервер]\nИнтервал=15\n"));
    EXPECT_EQ(ReadIniInteger(ru, Utf8ToAnsi("СЕРВЕР"), Utf8ToAnsi("интервал"), 0), 15);
}

TEST_F(IniFileTest, WritingReplacesAddsAndKeepsTheRest) {
    ASSERT_TRUE(WriteIniString(File, "SERVER", "interval", "500"));
    EXPECT_EQ(ReadIniInteger(File, "Server", "Interval", 0), 500);
    ASSERT_TRUE(WriteIniString(File, "server", "NewKey", "x y"));
    ASSERT_TRUE(WriteIniString(File, "Fresh", "a", "1"));
    EXPECT_EQ(ReadIniString(File, "server", "newkey", ""), "x y");
    EXPECT_EQ(ReadIniInteger(File, "fresh", "A", 0), 1);
    // Everything else is untouched.
    EXPECT_EQ(ReadIniInteger(File, "Server", "Negative", 0), -17);
    EXPECT_EQ(ReadIniInteger(File, "debugger", "imitator", 0), 1);
    std::string text = TTempDir::Read(File);
    EXPECT_NE(text.find("; settings of the server\n"), std::string::npos);
    EXPECT_NE(text.find("\nInterval=500\n"), std::string::npos) << text; // original spelling
    // The new key lands inside its section, before the next one.
    EXPECT_LT(text.find("NewKey=x y"), text.find("[debugger]"));
    EXPECT_GT(text.find("NewKey=x y"), text.find("[Server]"));
}

TEST_F(IniFileTest, WritingCreatesAFileAndKeepsLineEndings) {
    std::string fresh = Dir.File("new.ini");
    ASSERT_TRUE(WriteIniString(fresh, "DLM", "Thread_Delay_Time", "100"));
    EXPECT_EQ(TTempDir::Read(fresh), "[DLM]\nThread_Delay_Time=100\n");
    std::string crlf = Dir.Write("crlf.ini", "[A]\r\nx=1\r\n");
    ASSERT_TRUE(WriteIniString(crlf, "a", "y", "2"));
    EXPECT_EQ(TTempDir::Read(crlf), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFileTest, WritingRefusesWhatWouldBreakTheFile) {
    const std::string before = TTempDir::Read(File);
    struct TCase {
        const char* Section;
        const char* Key;
        const char* Value;
    };
    const TCase cases[] = {
        {"server", "k", "two\nlines"}, {"server", "a\nb", "1"}, {"se]rver", "k", "1"},
        {"server", "a=b", "1"},        {"", "k", "1"},          {"server", "  ", "1"},
        {"server", ";k", "1"},         {"server", "[k", "1"},
    };
    for (const TCase& c : cases)
        EXPECT_FALSE(WriteIniString(File, c.Section, c.Key, c.Value)) << c.Key << "=" << c.Value;
    EXPECT_EQ(TTempDir::Read(File), before);
    EXPECT_FALSE(WriteIniString(Dir.File("no/such/dir.ini"), "a", "b", "c"));
}

} // namespace
