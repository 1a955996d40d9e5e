// Terminal buffers.
#include "core/errors/TerminalData.h"

#include "platform/AnsiText.h"

void TTerminalDataClass::Add(std::string_view line) {
    const size_t zero = line.find('\0');
    if (zero != std::string_view::npos) {
        line = line.substr(0, zero);
    }
    const size_t breakLength = FText.empty() ? 0 : 2;
    if (FText.empty() && line.empty()) {
        return;
    }
    if (FText.size() + breakLength + line.size() + 2 >= AreaSize) {
        return;
    }
    if (breakLength != 0) {
        FText += "\r\n";
    }
    FText += line;
}

std::string FormatTerminalData(std::string_view data, bool textMode) {
    if (textMode) {
        return platform::Trim(data);
    }
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(data.size() * 4);
    for (unsigned char byte : data) {
        text += '(';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
        text += ')';
    }
    return text;
}
