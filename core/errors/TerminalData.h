// Terminal buffers: the fixed-size text that one device cycle or one command writes line by
// line, and the formatting of raw device data for them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A text of at most 40958 characters (the 40961-byte area of the original, with room for the
// line break and the terminator); a line that does not fit is dropped whole.
class TTerminalDataClass {
public:
    static constexpr size_t AreaSize = 40961;
    static constexpr size_t MaxLength = AreaSize - 3;

    TTerminalDataClass() = default;
    virtual ~TTerminalDataClass() = default;

    void Clear() { FText.clear(); }
    // Appends the line, after CR LF when the text is not empty. An empty line gives a bare line
    // break after a non-empty text and changes nothing in an empty one. The text ends at a zero
    // character, as the stored text would.
    void Add(std::string_view line);
    const std::string& GetText() const { return FText; }

private:
    std::string FText;
};

// Device data for a terminal buffer: in text mode the data trimmed, otherwise every byte as
// "(XX)" in upper-case hexadecimal, e.g. 0x0A 0x1F → "(0A)(1F)". The caller passes the
// process-wide terminal text mode.
std::string FormatTerminalData(std::string_view data, bool textMode);
