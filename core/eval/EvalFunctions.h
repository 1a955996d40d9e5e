// The named functions that formulas call, and TRTTI, which finds one by name, converts the
// arguments to its parameters and calls it.
#pragma once

#include "core/eval/EvalValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TEvaluation;

// How an argument is converted before the call (see the conversions in EvalValue.h):
enum class TParamKind : uint8_t {
    Number,  // float64
    Word,    // unsigned 16-bit: the low 16 bits of the value's 32-bit integer (-1 is 65535)
    Integer, // signed 32-bit, a fraction rounded to the nearest
    Boolean, // a number other than 0 is true; texts "True"/"False"
    Text,
    Any, // passed as it is, Null included
};

struct TEvalParam {
    std::string_view Name;
    TParamKind Kind;
};

// A function answers false with a message (no prefix) when it fails. A Null result means
// "no answer" and leaves the caller's value as it was.
using TEvalFunctionBody = bool (*)(TEvaluation& evaluator, const std::vector<TEvalValue>& args,
                                   TEvalValue& result, std::string& error);

struct TEvalFunction {
    std::string_view Name; // as registered; messages use this spelling
    std::vector<TEvalParam> Params;
    TEvalFunctionBody Body;
};

// The functions of TEvaluation:
//   PI, True, False; Exp, Ln, Abs, Int (towards zero), Cos, Sin, Tan, Cosh, Sinh, Tanh, Arccos,
//   Arcsin, Arctan, Log2, log10 (D: number, Double result; a domain error or overflow fails);
//   Max, Min (V1, V2: any; by the ">" and "<" of EvalOperations.h, the chosen value unchanged);
//   ShiftLeft, ShiftRight (D, N: Word; shift by N mod 32, a Word result);
//   Swap16, Swap32 (V1: any; an Integer); GetByteFromInt32 (V1: any, AByteNum: Word; a Byte,
//   Null beyond byte 3); GetWordFromInt32 (V1: any, AWordNum: Word; a Word, Null beyond word 1);
//   IsBitSet (V1: any, ABit: Word; Byte 1 or 0, for bit ABit mod 32 of the low 16 bits);
//   Round (D: number, N: Integer; decided on the first dropped decimal, a Double);
//   iif (C: Boolean, V1, V2: any; both computed before the call);
//   Evaluation (Expression: text, AErrorMessage: any): the formula in the text, evaluated
//   by a new evaluator; its failure is the call's failure (a formula cannot receive the
//   message through the second parameter, which is only there to be counted).
// "The 32-bit integer of a value" is ValueTo32Bits (EvalValue.h): the low 32 bits of its whole
// number.
const std::vector<TEvalFunction>& EvaluationFunctions();

// The function of a table named name, ASCII case ignored; nullptr when there is none.
const TEvalFunction* FindEvalFunction(const std::vector<TEvalFunction>& table,
                                      std::string_view name);

// Round (D, N) as the driver rounds: scale by 10^N, keep the integer part, and add one when
// the scaled fraction, rounded to one decimal (halves to even), is 5 or more.
double RoundDecimal(double value, int32_t decimals);

class TRTTI {
public:
    // Looks name up among the functions of the evaluator's class and its ancestors; false
    // when there is none. Otherwise converts every argument to its parameter, calls the
    // function, stores its result into result unless it is Null, and answers true; error is
    // left empty on success and holds the message (no prefix) on failure. Parameters are
    // counted from 1 in the messages.
    static bool CallFunction(TEvaluation& evaluator, std::string_view name,
                             std::vector<TEvalValue>& args, TEvalValue& result, std::string& error);
};
