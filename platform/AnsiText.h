// Windows-1251 text: conversion to and from UTF-8, case mapping, trimming and comparison.
// The only place that knows the code page; core text is std::string holding these bytes.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string AnsiToUtf8(std::string_view ansi);

// Characters that the code page lacks (and malformed UTF-8 sequences) become '?'.
std::string Utf8ToAnsi(std::string_view utf8);

char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);

// Remove the codes 0..32 from the ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Case-insensitive comparison in the code page: <0, 0 or >0.
int AnsiCompareText(std::string_view a, std::string_view b);

} // namespace platform
