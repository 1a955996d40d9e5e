// Windows-1251 conversion and case mapping (stub until the table lands).
#include "platform/AnsiText.h"

namespace platform {

std::string AnsiToUtf8(std::string_view ansi) {
    return std::string(ansi);
}
std::string Utf8ToAnsi(std::string_view utf8) {
    return std::string(utf8);
}
char AnsiUpperChar(char c) {
    return c;
}
char AnsiLowerChar(char c) {
    return c;
}
std::string AnsiUpperCase(std::string_view text) {
    return std::string(text);
}
std::string AnsiLowerCase(std::string_view text) {
    return std::string(text);
}
std::string Trim(std::string_view text) {
    return std::string(text);
}
std::string TrimLeft(std::string_view text) {
    return std::string(text);
}
std::string TrimRight(std::string_view text) {
    return std::string(text);
}
int AnsiCompareText(std::string_view a, std::string_view b) {
    return a.compare(b);
}

} // namespace platform
