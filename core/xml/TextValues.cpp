// Number and boolean texts of the configuration files.
#include "core/xml/TextValues.h"

#include <cctype>
#include <limits>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Decimal number with optional sign, fraction and exponent; reports whether it is zero.
bool TryReadNumber(std::string_view text, bool& isZero) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    bool anyDigit = false;
    isZero = true;
    auto digits = [&] {
        while (i < text.size() && IsDigit(text[i])) {
            anyDigit = true;
            isZero = isZero && text[i] == '0';
            ++i;
        }
    };
    digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits();
    }
    if (!anyDigit) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        if (i >= text.size() || !IsDigit(text[i])) {
            return false;
        }
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
    }
    return i == text.size();
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

bool TryTextToInt32(std::string_view text, int32_t& value) {
    text = TrimBlanks(text);
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size()) {
        return false;
    }
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            return false;
        }
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool TryTextToBool(std::string_view text, bool& value) {
    text = TrimBlanks(text);
    bool isZero = true;
    if (TryReadNumber(text, isZero)) {
        value = !isZero;
        return true;
    }
    if (EqualsIgnoringAsciiCase(text, "TRUE")) {
        value = true;
        return true;
    }
    if (EqualsIgnoringAsciiCase(text, "FALSE")) {
        value = false;
        return true;
    }
    return false;
}
