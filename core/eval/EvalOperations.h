// The operators of conversion formulas applied to dynamic values.
// Each answers false with a message (no prefix) when the operation is not defined or fails.
#pragma once

#include "core/eval/EvalValue.h"

#include <string>

// How values combine (the rules a formula writer can rely on):
// - Numbers of any kind combine as numbers. A Boolean counts as -1 (true) or 0 (false).
// - Integers (Boolean, Byte, Word, Integer) under "+", "-", "*" give an Integer, or a Double
//   when the exact result leaves the signed 32-bit range; nothing wraps. Anything with a Double
//   gives a Double. "/" always gives a Double. "^" gives a Double: e^(right*ln left), computed
//   as pow so that whole powers are exact (2^3^2 is 64), for a positive left side, else 0.
// - Dates: date + number, number + date and date - number give a Date; date - date gives the
//   number of days as a Double; every other arithmetic uses the day number and gives a Double.
// - Texts: "+" of two texts joins them. A text meeting a number (in arithmetic, "&", "|" or a
//   comparison) is read as a number ("12", " 1,5 ", "2e3"); a text that is not a number fails.
//   Two texts compare byte by byte in the code page, letter case counting.
// - "&", "|", "!" are logical on Booleans. Otherwise they work on the bits: both sides are
//   taken as 32-bit integers (ValueTo32Bits: the low 32 bits of the whole number) and the result
//   keeps the wider integer kind of the two (Byte, Word, Integer; anything else counts as Integer).
//   "!" of a Byte or Word stays within its width, so !IsBitSet(x,3) is 254 or 255, never 0: write
//   IsBitSet(x,3)=0 for the negation.
// - Null (an empty function argument, a function that had no answer): "=" and its opposites
//   treat Null as equal only to Null; every other operator on a Null fails, naming the
//   operator, so a formula never goes on silently with a missing value.
// - A result that is not a finite number (overflow, a domain error) fails.

enum class TValueOperator {
    And,
    Or,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual,
    Add,
    Subtract,
    Divide,
    Multiply,
    Power,
};

// left := left (op) right. A comparison leaves a Boolean.
bool ApplyOperator(TValueOperator op, TEvalValue& left, const TEvalValue& right,
                   std::string& error);

// The comparisons only (Less .. NotEqual).
bool CompareValues(TValueOperator op, const TEvalValue& left, const TEvalValue& right, bool& result,
                   std::string& error);

// Unary minus: the negated number (a date stays a date).
bool NegateValue(TEvalValue& value, std::string& error);

// "!": logical not of a Boolean, bitwise not of an integer.
bool NotValue(TEvalValue& value, std::string& error);

// Messages shared with the functions.
extern const char* const kOverflowMessage;     // "Floating point overflow"
extern const char* const kInvalidFloatMessage; // "Invalid floating point operation"
