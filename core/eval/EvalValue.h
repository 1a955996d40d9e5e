// The dynamically typed value that conversion formulas compute, and its conversions.
// Numbers, texts (Windows-1251 bytes) and dates read and written the way formulas show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class TValueKind : uint8_t {
    Null,
    Boolean,
    Byte,    // unsigned 8-bit
    Word,    // unsigned 16-bit
    Integer, // signed 32-bit
    Double,  // float64
    Text,
    Date, // float64 days since 1899-12-30, the fraction being the time of day
};

// "Null", "Boolean", "Byte", "Word", "Integer", "Double", "Text", "Date".
std::string_view ValueKindName(TValueKind kind);

class TEvalValue {
public:
    TEvalValue() = default; // Null

    static TEvalValue FromBoolean(bool value);
    static TEvalValue FromByte(uint8_t value);
    static TEvalValue FromWord(uint16_t value);
    static TEvalValue FromInteger(int32_t value);
    static TEvalValue FromDouble(double value);
    static TEvalValue FromText(std::string value);
    static TEvalValue FromDate(double days);

    TValueKind Kind() const { return FKind; }
    bool IsNull() const { return FKind == TValueKind::Null; }
    bool IsText() const { return FKind == TValueKind::Text; }
    // Boolean, Byte, Word or Integer: held exactly in a signed 32-bit integer.
    bool IsOrdinal() const {
        return FKind == TValueKind::Boolean || FKind == TValueKind::Byte ||
               FKind == TValueKind::Word || FKind == TValueKind::Integer;
    }

    // Raw accessors; each is meaningful only for its kinds.
    bool BooleanValue() const { return FOrdinal != 0; }    // Boolean
    int32_t OrdinalValue() const { return FOrdinal; }      // ordinals; true is -1
    double RealValue() const { return FReal; }             // Double, Date
    const std::string& TextValue() const { return FText; } // Text
    std::string& MutableText() { return FText; }           // Text

    // Same kind and same content (0.0 and -0.0 are equal). Meant for tests and Max/Min.
    bool operator==(const TEvalValue& other) const;

private:
    TValueKind FKind = TValueKind::Null;
    int32_t FOrdinal = 0;
    double FReal = 0;
    std::string FText;
};

// Conversions used by operators and function parameters. Each answers false with a message
// when the value cannot be converted; a Null never converts.
//
// To a number: a Boolean is -1 or 0, a date is its day number, a text must hold a decimal
// number (surrounding blanks allowed, "." or "," as the decimal separator).
bool ValueToDouble(const TEvalValue& value, double& result, std::string& error);
// To a signed 32-bit integer: a fraction is rounded to the nearest integer (halves to even).
bool ValueToInt32(const TEvalValue& value, int32_t& result, std::string& error);
// The 32 bits of a value: the low 32 bits of its whole number (a fraction rounded to the
// nearest, halves to even), so -1 is all ones, 4294967295 keeps its bits and 4294967296 is 0;
// fails only beyond the signed 64-bit range.
bool ValueTo32Bits(const TEvalValue& value, uint32_t& result, std::string& error);
// To a Boolean: any number other than 0 is true; a text is "True" or "False" in any letter
// case, or a number.
bool ValueToBoolean(const TEvalValue& value, bool& result, std::string& error);
// To a text: as FormatValue.
bool ValueToText(const TEvalValue& value, std::string& result, std::string& error);

// A whole text read as a number: blanks around it, one sign, "." or "," as the decimal
// separator, an exponent. A plain run of digits that fits is an Integer, anything else a Double.
bool ParseNumberText(std::string_view text, TEvalValue& result);

// The text of a number constant written in a formula (digits, points or commas, E, a minus
// in the exponent). A plain run of digits that fits is an Integer, anything else a Double.
// A text that is not well formed gives the longest leading part that is a number ("1.2.3" is
// 1.2, "1E" is 1), or 0 when there is none; only a number beyond the float64 range fails.
bool ParseNumberConstant(std::string_view text, TEvalValue& result, std::string& error);

// A date constant's inside, "d.m.y" or "m.y" (then the first day of that month); a one- or
// two-digit year means 1950..2049. Fails for a day that does not exist.
bool ParseDateConstant(std::string_view text, TEvalValue& result, std::string& error);

// Days since 1899-12-30 of a calendar date; false outside the years 1..9999.
bool EncodeDate(int32_t year, int32_t month, int32_t day, double& days);

// The value as a formula writer reads it: Null, True/False, integers in decimal, a Double in
// the shortest form that reads back to the same number, a date as dd.mm.yyyy (with hh:mm:ss
// when it has a time), a text as it stands.
std::string FormatValue(const TEvalValue& value);

// A short quotable excerpt of a text for messages (long texts are cut).
std::string MessageExcerpt(std::string_view text);
