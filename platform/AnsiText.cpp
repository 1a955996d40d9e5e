// Windows-1251 conversion and case mapping, built from the code page's Unicode table.
#include "platform/AnsiText.h"

#include <array>
#include <cstdint>

namespace platform {

namespace {

// Unicode code points of the bytes 0x80..0xFF. 0x98 has no character in the code page; it is
// carried as U+0098 so that every byte string survives a round trip through UTF-8.
constexpr std::array<uint16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

uint32_t ToUnicode(uint8_t b) {
    return b < 0x80 ? b : kHighHalf[b - 0x80];
}

// Upper-case partner of a code point among the characters the code page holds.
uint32_t UnicodeUpper(uint32_t cp) {
    if (cp >= 'a' && cp <= 'z')
        return cp - 0x20;
    if (cp >= 0x0430 && cp <= 0x044F)
        return cp - 0x20;
    if (cp >= 0x0450 && cp <= 0x045F)
        return cp - 0x50;
    if (cp == 0x0491)
        return 0x0490;
    return cp;
}

uint32_t UnicodeLower(uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if (cp >= 0x0410 && cp <= 0x042F)
        return cp + 0x20;
    if (cp >= 0x0400 && cp <= 0x040F)
        return cp + 0x50;
    if (cp == 0x0490)
        return 0x0491;
    return cp;
}

struct TTables {
    std::array<uint8_t, 256> Upper{};
    std::array<uint8_t, 256> Lower{};
    // Collation key of the upper-case form: code point order, with Ё right after Е as in the
    // alphabet (its code point lies before А).
    std::array<uint32_t, 256> Key{};

    TTables() {
        for (int b = 0; b < 256; ++b) {
            Upper[b] = uint8_t(b);
            Lower[b] = uint8_t(b);
        }
        for (int b = 0; b < 256; ++b) {
            uint32_t cp = ToUnicode(uint8_t(b));
            uint32_t up = UnicodeUpper(cp);
            uint32_t low = UnicodeLower(cp);
            for (int other = 0; other < 256; ++other) {
                uint32_t otherCp = ToUnicode(uint8_t(other));
                if (up != cp && otherCp == up)
                    Upper[b] = uint8_t(other);
                if (low != cp && otherCp == low)
                    Lower[b] = uint8_t(other);
            }
        }
        for (int b = 0; b < 256; ++b) {
            uint32_t up = ToUnicode(Upper[b]);
            Key[b] = up == 0x0401 ? 0x0415 * 2 + 1 : up * 2;
        }
    }
};

const TTables& Tables() {
    static const TTables tables;
    return tables;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Malformed input (bad lead byte,
// truncated or overlong sequence, surrogate) yields 0xFFFFFFFF and skips one byte.
uint32_t DecodeUtf8(std::string_view text, size_t& pos) {
    constexpr uint32_t kBad = 0xFFFFFFFF;
    uint8_t lead = uint8_t(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra;
    uint32_t cp;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kBad;
    }
    if (text.size() - pos <= size_t(extra)) {
        ++pos;
        return kBad;
    }
    for (int i = 1; i <= extra; ++i) {
        uint8_t next = uint8_t(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kBad;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kBad;
    }
    pos += extra + 1;
    return cp;
}

char FromUnicode(uint32_t cp) {
    if (cp < 0x80)
        return char(cp);
    for (int i = 0; i < 128; ++i)
        if (kHighHalf[i] == cp)
            return char(0x80 + i);
    return '?';
}

bool IsBlank(char c) {
    return uint8_t(c) <= 32;
}

} // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char c : ansi)
        AppendUtf8(out, ToUnicode(uint8_t(c)));
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size())
        out.push_back(FromUnicode(DecodeUtf8(utf8, pos)));
    return out;
}

char AnsiUpperChar(char c) {
    return char(Tables().Upper[uint8_t(c)]);
}

char AnsiLowerChar(char c) {
    return char(Tables().Lower[uint8_t(c)]);
}

std::string AnsiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AnsiUpperChar(c);
    return out;
}

std::string AnsiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AnsiLowerChar(c);
    return out;
}

std::string TrimLeft(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) {
    return TrimLeft(TrimRight(text));
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    const TTables& tables = Tables();
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t ka = tables.Key[uint8_t(a[i])];
        uint32_t kb = tables.Key[uint8_t(b[i])];
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace platform
