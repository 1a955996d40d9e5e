// The dynamic value of formulas: construction, conversions, number and date texts.
#include "core/eval/EvalValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string NotANumberMessage(std::string_view text) {
    return "Could not convert text \"" + MessageExcerpt(text) + "\" to a number";
}

std::string NullMessage(std::string_view target) {
    return "Could not convert Null to " + std::string(target);
}

// Rounds to the nearest integer, halves to even; false when the result leaves [low, high].
bool RoundToRange(double value, double low, double high, int64_t& result) {
    if (!std::isfinite(value)) {
        return false;
    }
    double rounded = std::nearbyint(value);
    if (rounded < low || rounded > high) {
        return false;
    }
    result = static_cast<int64_t>(rounded);
    return true;
}

// The decimal exponent of the first significant digit of a well-formed number text, used to
// tell an overflow from an underflow when the conversion reports the range exceeded.
int64_t DecimalMagnitude(std::string_view text) {
    int64_t magnitude = 0;
    bool seenPoint = false;
    bool seenSignificant = false;
    size_t i = 0;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        char c = text[i];
        if (c == '.') {
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (!seenSignificant && c != '0') {
                seenSignificant = true;
                if (seenPoint) {
                    --magnitude;
                }
            } else if (!seenSignificant && seenPoint) {
                --magnitude;
            } else if (seenSignificant && !seenPoint) {
                ++magnitude;
            }
        }
    }
    if (!seenSignificant) {
        return std::numeric_limits<int64_t>::min();
    }
    int64_t exponent = 0;
    bool negative = false;
    if (i < text.size()) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            negative = text[i] == '-';
            ++i;
        }
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            if (exponent < 1000000000) {
                exponent = exponent * 10 + (text[i] - '0');
            }
        }
    }
    return magnitude + (negative ? -exponent : exponent);
}

// Reads a decimal number (no sign, "." as the separator) from the start of text; consumed
// tells how many characters form the number. False only when the number is beyond range.
bool ReadDecimal(std::string_view text, double& value, size_t& consumed, bool& overflow) {
    overflow = false;
    consumed = 0;
    value = 0;
    if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) {
        return true; // keeps from_chars away from "inf" and "nan"
    }
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec == std::errc::invalid_argument) {
        value = 0;
        return true;
    }
    consumed = static_cast<size_t>(end - text.data());
    if (ec == std::errc::result_out_of_range) {
        if (DecimalMagnitude(text.substr(0, consumed)) > 0) {
            overflow = true;
            return false;
        }
        value = 0; // too small to tell from 0
    }
    return true;
}

// A run of digits that fits a signed 32-bit integer.
bool ReadPlainInteger(std::string_view text, int32_t& value) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    int64_t result = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(result);
    return true;
}

} // namespace

bool ParseNumberText(std::string_view text, TEvalValue& result) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int32_t ordinal = 0;
    if (ReadPlainInteger(text, ordinal)) {
        result = TEvalValue::FromInteger(negative ? -ordinal : ordinal);
        return true;
    }
    std::string normal(text);
    bool hasDigit = false;
    for (char& c : normal) {
        if (c == ',') {
            c = '.';
        }
        if (IsDigit(c)) {
            hasDigit = true;
        } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
            return false;
        }
    }
    if (!hasDigit) {
        return false;
    }
    double value = 0;
    size_t consumed = 0;
    bool overflow = false;
    if (!ReadDecimal(normal, value, consumed, overflow) || consumed != normal.size()) {
        return false;
    }
    result = TEvalValue::FromDouble(negative ? -value : value);
    return true;
}

namespace {

bool IsLeapYear(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int32_t year, int32_t month) {
    static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 0001-01-01 (proleptic Gregorian) to the given date.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day) {
    int64_t y = year - 1;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int32_t m = 1; m < month; ++m) {
        days += DaysInMonth(year, m);
    }
    return days + day - 1;
}

const int64_t kDaysTo18991230 = DaysFromCivil(1899, 12, 30);

void CivilFromDays(int64_t days, int32_t& year, int32_t& month, int32_t& day) {
    // 400-year cycles of 146097 days, then years inside the cycle.
    int64_t cycles = days / 146097;
    int64_t rest = days % 146097;
    year = static_cast<int32_t>(cycles * 400) + 1;
    while (true) {
        int32_t length = IsLeapYear(year) ? 366 : 365;
        if (rest < length) {
            break;
        }
        rest -= length;
        ++year;
    }
    month = 1;
    while (rest >= DaysInMonth(year, month)) {
        rest -= DaysInMonth(year, month);
        ++month;
    }
    day = static_cast<int32_t>(rest) + 1;
}

std::string FormatDouble(double value) {
    if (value == 0) {
        return "0"; // also for -0
    }
    // Plain digits for the magnitudes readings have, an exponent beyond them; always the
    // shortest text that reads back as the same number.
    double magnitude = std::fabs(value);
    std::chars_format format = magnitude >= 1e-5 && magnitude < 1e15
                                   ? std::chars_format::fixed
                                   : std::chars_format::scientific;
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    if (ec != std::errc()) {
        return "?";
    }
    return std::string(buffer, end);
}

std::string FormatDate(double days) {
    // Years 1..9999 only; anything else is shown as its day number.
    if (!std::isfinite(days) || days < -693593.0 || days >= 2958466.0) {
        return FormatDouble(days);
    }
    // Before 1899-12-30 the day counts down while the fraction still gives the time of day:
    // -1.25 is 29.12.1899 06:00.
    double whole = std::trunc(days);
    int64_t seconds = std::llround(std::fabs(days - whole) * 86400.0);
    int64_t dayNumber = static_cast<int64_t>(whole);
    if (seconds >= 86400) {
        seconds = 0;
        dayNumber += days < 0 ? -1 : 1;
    }
    int32_t year = 0, month = 0, day = 0;
    CivilFromDays(dayNumber + kDaysTo18991230, year, month, day);
    char buffer[48];
    if (seconds == 0) {
        std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", day, month, year);
    } else {
        std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", day, month, year,
                      int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    }
    return buffer;
}

} // namespace

std::string_view ValueKindName(TValueKind kind) {
    switch (kind) {
    case TValueKind::Null:
        return "Null";
    case TValueKind::Boolean:
        return "Boolean";
    case TValueKind::Byte:
        return "Byte";
    case TValueKind::Word:
        return "Word";
    case TValueKind::Integer:
        return "Integer";
    case TValueKind::Double:
        return "Double";
    case TValueKind::Text:
        return "Text";
    case TValueKind::Date:
        return "Date";
    }
    return "?";
}

TEvalValue TEvalValue::FromBoolean(bool value) {
    TEvalValue v;
    v.FKind = TValueKind::Boolean;
    v.FOrdinal = value ? -1 : 0;
    return v;
}

TEvalValue TEvalValue::FromByte(uint8_t value) {
    TEvalValue v;
    v.FKind = TValueKind::Byte;
    v.FOrdinal = value;
    return v;
}

TEvalValue TEvalValue::FromWord(uint16_t value) {
    TEvalValue v;
    v.FKind = TValueKind::Word;
    v.FOrdinal = value;
    return v;
}

TEvalValue TEvalValue::FromInteger(int32_t value) {
    TEvalValue v;
    v.FKind = TValueKind::Integer;
    v.FOrdinal = value;
    return v;
}

TEvalValue TEvalValue::FromDouble(double value) {
    TEvalValue v;
    v.FKind = TValueKind::Double;
    v.FReal = value;
    return v;
}

TEvalValue TEvalValue::FromText(std::string value) {
    TEvalValue v;
    v.FKind = TValueKind::Text;
    v.FText = std::move(value);
    return v;
}

TEvalValue TEvalValue::FromDate(double days) {
    TEvalValue v;
    v.FKind = TValueKind::Date;
    v.FReal = days;
    return v;
}

bool TEvalValue::operator==(const TEvalValue& other) const {
    if (FKind != other.FKind) {
        return false;
    }
    switch (FKind) {
    case TValueKind::Null:
        return true;
    case TValueKind::Double:
    case TValueKind::Date:
        return FReal == other.FReal;
    case TValueKind::Text:
        return FText == other.FText;
    default:
        return FOrdinal == other.FOrdinal;
    }
}

bool ValueToDouble(const TEvalValue& value, double& result, std::string& error) {
    switch (value.Kind()) {
    case TValueKind::Null:
        error = NullMessage("a number");
        return false;
    case TValueKind::Double:
    case TValueKind::Date:
        result = value.RealValue();
        return true;
    case TValueKind::Text: {
        TEvalValue number;
        if (!ParseNumberText(value.TextValue(), number)) {
            error = NotANumberMessage(value.TextValue());
            return false;
        }
        return ValueToDouble(number, result, error);
    }
    default:
        result = value.OrdinalValue();
        return true;
    }
}

bool ValueToInt32(const TEvalValue& value, int32_t& result, std::string& error) {
    if (value.IsOrdinal()) {
        result = value.OrdinalValue();
        return true;
    }
    double real = 0;
    if (!ValueToDouble(value, real, error)) {
        return false;
    }
    int64_t rounded = 0;
    if (!RoundToRange(real, -2147483648.0, 2147483647.0, rounded)) {
        error = "Value " + FormatDouble(real) + " is out of the 32-bit integer range";
        return false;
    }
    result = static_cast<int32_t>(rounded);
    return true;
}

bool ValueTo32Bits(const TEvalValue& value, uint32_t& result, std::string& error) {
    if (value.IsOrdinal()) {
        result = static_cast<uint32_t>(value.OrdinalValue());
        return true;
    }
    double real = 0;
    if (!ValueToDouble(value, real, error)) {
        return false;
    }
    // The low 32 bits of the whole number: a Counter32 reading of 4294967295 arrives as the
    // single-precision 4294967296 and must not turn a bit test into a failure.
    int64_t rounded = 0;
    if (!RoundToRange(real, -9223372036854775808.0, 9223372036854774784.0, rounded)) {
        error = "Value " + FormatDouble(real) + " is out of the 64-bit integer range";
        return false;
    }
    result = static_cast<uint32_t>(static_cast<uint64_t>(rounded));
    return true;
}

bool ValueToBoolean(const TEvalValue& value, bool& result, std::string& error) {
    if (value.Kind() == TValueKind::Text) {
        std::string_view text = value.TextValue();
        while (!text.empty() && IsBlank(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && IsBlank(text.back())) {
            text.remove_suffix(1);
        }
        auto equalsWord = [&](std::string_view word) {
            if (text.size() != word.size()) {
                return false;
            }
            for (size_t i = 0; i < word.size(); ++i) {
                char c = text[i];
                if (c >= 'a' && c <= 'z') {
                    c = static_cast<char>(c - 'a' + 'A');
                }
                if (c != word[i]) {
                    return false;
                }
            }
            return true;
        };
        if (equalsWord("TRUE")) {
            result = true;
            return true;
        }
        if (equalsWord("FALSE")) {
            result = false;
            return true;
        }
    }
    if (value.IsNull()) {
        error = NullMessage("a Boolean");
        return false;
    }
    double real = 0;
    if (!ValueToDouble(value, real, error)) {
        return false;
    }
    result = real != 0;
    return true;
}

bool ValueToText(const TEvalValue& value, std::string& result, std::string& error) {
    if (value.IsNull()) {
        error = NullMessage("a text");
        return false;
    }
    result = FormatValue(value);
    return true;
}

bool ParseNumberConstant(std::string_view text, TEvalValue& result, std::string& error) {
    int32_t ordinal = 0;
    if (ReadPlainInteger(text, ordinal)) {
        result = TEvalValue::FromInteger(ordinal);
        return true;
    }
    std::string normal(text);
    for (char& c : normal) {
        if (c == ',') {
            c = '.';
        }
    }
    double value = 0;
    size_t consumed = 0;
    bool overflow = false;
    if (!ReadDecimal(normal, value, consumed, overflow)) {
        error = "Number " + MessageExcerpt(text) + " is out of range";
        return false;
    }
    result = TEvalValue::FromDouble(value);
    return true;
}

bool EncodeDate(int32_t year, int32_t month, int32_t day, double& days) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return false;
    }
    days = static_cast<double>(DaysFromCivil(year, month, day) - kDaysTo18991230);
    return true;
}

bool ParseDateConstant(std::string_view text, TEvalValue& result, std::string& error) {
    int32_t parts[3] = {1, 0, 0};
    int32_t count = 0;
    size_t start = 0;
    bool valid = true;
    int32_t yearDigits = 0;
    for (size_t i = 0; i <= text.size() && valid; ++i) {
        if (i < text.size() && text[i] != '.') {
            continue;
        }
        std::string_view part = text.substr(start, i - start);
        int32_t number = 0;
        // Leading zeros are fine ("05"), but no part may be longer than a year needs.
        while (part.size() > 1 && part.front() == '0') {
            part.remove_prefix(1);
        }
        if (count >= 3 || part.empty() || part.size() > 4 || !ReadPlainInteger(part, number)) {
            valid = false;
            break;
        }
        parts[count++] = number;
        yearDigits = static_cast<int32_t>(i - start);
        start = i + 1;
    }
    if (valid && (count == 2 || count == 3)) {
        int32_t day = count == 3 ? parts[0] : 1;
        int32_t month = count == 3 ? parts[1] : parts[0];
        int32_t year = count == 3 ? parts[2] : parts[1];
        if (yearDigits <= 2) {
            year += year < 50 ? 2000 : 1900;
        }
        double days = 0;
        if (EncodeDate(year, month, day, days)) {
            result = TEvalValue::FromDate(days);
            return true;
        }
    }
    error.assign(1, '\'');
    error += MessageExcerpt(text);
    error += "' is not a valid date";
    return false;
}

std::string FormatValue(const TEvalValue& value) {
    switch (value.Kind()) {
    case TValueKind::Null:
        return "Null";
    case TValueKind::Boolean:
        return value.BooleanValue() ? "True" : "False";
    case TValueKind::Double:
        return FormatDouble(value.RealValue());
    case TValueKind::Text:
        return value.TextValue();
    case TValueKind::Date:
        return FormatDate(value.RealValue());
    default:
        return std::to_string(value.OrdinalValue());
    }
}

std::string MessageExcerpt(std::string_view text) {
    const size_t limit = 64;
    std::string excerpt(text.substr(0, limit));
    if (text.size() > limit) {
        excerpt.append("...");
    }
    return excerpt;
}
