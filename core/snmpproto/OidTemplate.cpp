// The placeholder rules of the row templates. Only integer placeholders can take the row
// number; anything else makes the template unusable rather than producing a wrong OID.
#include "core/snmpproto/OidTemplate.h"

namespace {

// Reads decimal digits at pos; false when there is none or the number grows past the limit.
bool ReadNumber(std::string_view text, size_t& pos, int32_t& number) {
    const size_t start = pos;
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > MaxOidTemplateWidth) {
            return false;
        }
        ++pos;
    }
    number = int32_t(value);
    return pos > start;
}

std::string Digits(int32_t value, char type) {
    const uint32_t bits = uint32_t(value);
    if (type == 'x') {
        static const char hex[] = "0123456789ABCDEF";
        std::string digits;
        uint32_t rest = bits;
        do {
            digits.insert(digits.begin(), hex[rest % 16]);
            rest /= 16;
        } while (rest != 0);
        return digits;
    }
    if (type == 'u') {
        return std::to_string(bits);
    }
    // d: the sign stays in front of the zeros that the precision adds.
    return value < 0 ? std::to_string(-int64_t(value)) : std::to_string(value);
}

} // namespace

bool FormatOidTemplate(std::string_view pattern, int32_t value, std::string& out) {
    out.clear();
    int32_t nextArgument = 0;
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (pos >= pattern.size()) {
            return false;
        }
        if (pattern[pos] == '%') {
            out += '%';
            ++pos;
            continue;
        }
        int32_t argument = nextArgument;
        int32_t number = 0;
        int32_t width = 0;
        bool haveWidth = false;
        size_t mark = pos;
        if (ReadNumber(pattern, pos, number) && pos < pattern.size() && pattern[pos] == ':') {
            argument = number;
            ++pos;
        } else {
            pos = mark;
        }
        bool leftAlign = false;
        if (pos < pattern.size() && pattern[pos] == '-') {
            leftAlign = true;
            ++pos;
        }
        mark = pos;
        if (ReadNumber(pattern, pos, width)) {
            haveWidth = true;
        } else if (pos != mark) {
            return false; // too wide
        }
        int32_t precision = 0;
        if (pos < pattern.size() && pattern[pos] == '.') {
            ++pos;
            mark = pos;
            if (!ReadNumber(pattern, pos, precision) && pos != mark) {
                return false;
            }
        }
        if (pos >= pattern.size()) {
            return false;
        }
        char type = pattern[pos++];
        if (type >= 'A' && type <= 'Z') {
            type = char(type - 'A' + 'a');
        }
        if ((type != 'd' && type != 'u' && type != 'x') || argument != 0) {
            return false; // "*" lands here too: it would want a value of its own
        }
        nextArgument = argument + 1;

        std::string digits = Digits(value, type);
        if (int32_t(digits.size()) < precision) {
            digits.insert(0, size_t(precision) - digits.size(), '0');
        }
        if (type == 'd' && value < 0) {
            digits.insert(digits.begin(), '-');
        }
        if (haveWidth && int32_t(digits.size()) < width) {
            const std::string padding(size_t(width) - digits.size(), ' ');
            digits = leftAlign ? digits + padding : padding + digits;
        }
        out += digits;
    }
    return true;
}
