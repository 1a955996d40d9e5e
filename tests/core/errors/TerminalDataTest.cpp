// Terminal buffers, the hexadecimal form of device data, and the table of error texts.
#include "core/errors/TerminalData.h"
#include "core/errors/ErrorTexts.h"

#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TerminalData, LinesAreJoinedByLineBreaks) {
    struct Case {
        std::vector<std::string> Lines;
        std::string Text;
    } cases[] = {
        {{"a", "b"}, "a\r\nb"},
        {{"", "a"}, "a"},     // an empty line in an empty text changes nothing
        {{"a", ""}, "a\r\n"}, // but gives a bare line break after text
        {{"a", "", "b"}, "a\r\n\r\nb"},
        {{"ab\0cd"}, "ab"}, // the text ends at a zero character
    };
    for (const Case& c : cases) {
        TTerminalDataClass terminal;
        for (const std::string& line : c.Lines) {
            terminal.Add(line);
        }
        EXPECT_EQ(terminal.GetText(), c.Text);
    }
    TTerminalDataClass terminal;
    terminal.Add("x");
    terminal.Clear();
    terminal.Add("y");
    EXPECT_EQ(terminal.GetText(), "y");
}

TEST(TerminalData, LineThatWouldPass40958CharactersIsDroppedWhole) {
    TTerminalDataClass terminal;
    terminal.Add(std::string(40000, 'a'));
    terminal.Add(std::string(957, 'b')); // 40000 + 2 + 957 = 40959: dropped
    EXPECT_EQ(terminal.GetText().size(), 40000u);
    terminal.Add(std::string(956, 'c')); // 40958: stored
    EXPECT_EQ(terminal.GetText().size(), 40958u);
    EXPECT_EQ(terminal.GetText().back(), 'c');
    terminal.Add("");
    EXPECT_EQ(terminal.GetText().size(), 40958u) << "full: not even a line break fits";

    TTerminalDataClass single;
    single.Add(std::string(40959, 'z'));
    EXPECT_EQ(single.GetText(), "");
    single.Add(std::string(40958, 'z'));
    EXPECT_EQ(single.GetText().size(), 40958u);
}

TEST(TerminalData, DeviceDataIsHexadecimalUnlessInTextMode) {
    EXPECT_EQ(FormatTerminalData(std::string("\x0A\x1F\xFF\x00", 4), false), "(0A)(1F)(FF)(00)");
    EXPECT_EQ(FormatTerminalData("", false), "");
    EXPECT_EQ(FormatTerminalData("  reply 1\r\n", true), "reply 1");
}

TEST(ErrorTexts, CodesGiveTheirTextsWithTheInfoFilledIn) {
    struct Case {
        int32_t Code, Info;
        const char* Utf8;
    } cases[] = {
        {0, 0, "Успешное выполнение операции."},
        {-13, 5, "Панель 5 не отвечает"},
        {-8, -7, "Ошибка обработки команды (Адрес=-7)."},
        {-11, 3, "Ошибка протокола. Код ошибка 3."},
        {-24, 0, "Не возможно обработать команду."},
        {-31, 0, "Не известный тип принятого блока."},
        {-99, 0, "Общая незарегистрированная ошибка драйвера."},
        {-1, 0, "Общая незарегистрированная ошибка драйвера."},
        {1, 0, "Общая незарегистрированная ошибка драйвера."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetErrorText(c.Code, c.Info), platform::Utf8ToAnsi(c.Utf8)) << c.Code;
    }
}

} // namespace
