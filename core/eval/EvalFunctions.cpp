// The function table of TEvaluation and the call mechanism that converts arguments.
#include "core/eval/EvalFunctions.h"

#include "core/eval/EvalOperations.h"
#include "core/eval/Evaluations.h"

#include <cmath>

namespace {

using TArgs = std::vector<TEvalValue>;

// Results of the float64 functions: NaN is a domain error, an infinity an overflow.
bool RealResult(double value, TEvalValue& result, std::string& error) {
    if (std::isnan(value)) {
        error = kInvalidFloatMessage;
        return false;
    }
    if (!std::isfinite(value)) {
        error = kOverflowMessage;
        return false;
    }
    result = TEvalValue::FromDouble(value);
    return true;
}

template <double (*F)(double)>
bool RealFunction(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    return RealResult(F(a[0].RealValue()), r, e);
}

double Ln(double d) {
    return d > 0 ? std::log(d) : NAN; // the logarithm of 0 is a domain error too
}
double Log2(double d) {
    return d > 0 ? std::log2(d) : NAN;
}
double Log10(double d) {
    return d > 0 ? std::log10(d) : NAN;
}
double Exp(double d) {
    return std::exp(d);
}
double Abs(double d) {
    return std::fabs(d);
}
double IntPart(double d) {
    return std::trunc(d) + 0.0; // + 0.0 turns -0 into 0
}
double Cos(double d) {
    return std::cos(d);
}
double Sin(double d) {
    return std::sin(d);
}
double Tan(double d) {
    return std::tan(d);
}
double Cosh(double d) {
    return std::cosh(d);
}
double Sinh(double d) {
    return std::sinh(d);
}
double Tanh(double d) {
    return std::tanh(d);
}
double Arccos(double d) {
    return std::acos(d);
}
double Arcsin(double d) {
    return std::asin(d);
}
double Arctan(double d) {
    return std::atan(d);
}

bool Pi(TEvaluation&, const TArgs&, TEvalValue& r, std::string&) {
    r = TEvalValue::FromDouble(3.141592653589793);
    return true;
}

bool True(TEvaluation&, const TArgs&, TEvalValue& r, std::string&) {
    r = TEvalValue::FromBoolean(true);
    return true;
}

bool False(TEvaluation&, const TArgs&, TEvalValue& r, std::string&) {
    r = TEvalValue::FromBoolean(false);
    return true;
}

bool Max(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    bool greater = false;
    if (!CompareValues(TValueOperator::Greater, a[0], a[1], greater, e)) {
        return false;
    }
    r = greater ? a[0] : a[1];
    return true;
}

bool Min(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    bool less = false;
    if (!CompareValues(TValueOperator::Less, a[0], a[1], less, e)) {
        return false;
    }
    r = less ? a[0] : a[1];
    return true;
}

bool ShiftLeft(TEvaluation&, const TArgs& a, TEvalValue& r, std::string&) {
    uint32_t d = static_cast<uint32_t>(a[0].OrdinalValue());
    uint32_t n = static_cast<uint32_t>(a[1].OrdinalValue()) % 32;
    r = TEvalValue::FromWord(static_cast<uint16_t>(d << n));
    return true;
}

bool ShiftRight(TEvaluation&, const TArgs& a, TEvalValue& r, std::string&) {
    uint32_t d = static_cast<uint32_t>(a[0].OrdinalValue());
    uint32_t n = static_cast<uint32_t>(a[1].OrdinalValue()) % 32;
    r = TEvalValue::FromWord(static_cast<uint16_t>(d >> n));
    return true;
}

bool Swap16(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    uint32_t x = 0;
    if (!ValueTo32Bits(a[0], x, e)) {
        return false;
    }
    uint32_t swapped = (x & 0xFFFF0000u) | ((x & 0xFFu) << 8) | ((x >> 8) & 0xFFu);
    r = TEvalValue::FromInteger(static_cast<int32_t>(swapped));
    return true;
}

bool Swap32(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    uint32_t x = 0;
    if (!ValueTo32Bits(a[0], x, e)) {
        return false;
    }
    r = TEvalValue::FromInteger(static_cast<int32_t>((x << 16) | (x >> 16)));
    return true;
}

bool GetByteFromInt32(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    uint32_t x = 0;
    if (!ValueTo32Bits(a[0], x, e)) {
        return false;
    }
    int32_t byteNum = a[1].OrdinalValue();
    if (byteNum <= 3) {
        r = TEvalValue::FromByte(static_cast<uint8_t>(x >> (8 * byteNum)));
    }
    return true;
}

bool GetWordFromInt32(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    uint32_t x = 0;
    if (!ValueTo32Bits(a[0], x, e)) {
        return false;
    }
    int32_t wordNum = a[1].OrdinalValue();
    if (wordNum <= 1) {
        r = TEvalValue::FromWord(static_cast<uint16_t>(x >> (16 * wordNum)));
    }
    return true;
}

bool IsBitSet(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    uint32_t x = 0;
    if (!ValueTo32Bits(a[0], x, e)) {
        return false;
    }
    uint32_t bit = static_cast<uint32_t>(a[1].OrdinalValue()) % 32;
    r = TEvalValue::FromByte(static_cast<uint8_t>(((x & 0xFFFFu) >> bit) & 1u));
    return true;
}

bool Round(TEvaluation&, const TArgs& a, TEvalValue& r, std::string& e) {
    return RealResult(RoundDecimal(a[0].RealValue(), a[1].OrdinalValue()), r, e);
}

bool Iif(TEvaluation&, const TArgs& a, TEvalValue& r, std::string&) {
    r = a[0].BooleanValue() ? a[1] : a[2];
    return true;
}

bool EvaluationEntry(TEvaluation& evaluator, const TArgs& a, TEvalValue& r, std::string& e) {
    r = evaluator.EvaluateNested(a[0].TextValue(), e, evaluator.ShortCircuit);
    return e.empty();
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

bool ConvertArgument(TParamKind kind, TEvalValue& value) {
    std::string ignored;
    switch (kind) {
    case TParamKind::Number: {
        double d = 0;
        if (!ValueToDouble(value, d, ignored)) {
            return false;
        }
        value = TEvalValue::FromDouble(d);
        return true;
    }
    case TParamKind::Word: {
        uint32_t bits = 0;
        if (value.IsNull() || !ValueTo32Bits(value, bits, ignored)) {
            return false;
        }
        value = TEvalValue::FromWord(static_cast<uint16_t>(bits));
        return true;
    }
    case TParamKind::Integer: {
        int32_t i = 0;
        if (!ValueToInt32(value, i, ignored)) {
            return false;
        }
        value = TEvalValue::FromInteger(i);
        return true;
    }
    case TParamKind::Boolean: {
        bool b = false;
        if (!ValueToBoolean(value, b, ignored)) {
            return false;
        }
        value = TEvalValue::FromBoolean(b);
        return true;
    }
    case TParamKind::Text: {
        std::string text;
        if (!ValueToText(value, text, ignored)) {
            return false;
        }
        value = TEvalValue::FromText(std::move(text));
        return true;
    }
    case TParamKind::Any:
        return true;
    }
    return false;
}

std::vector<TEvalFunction> BuildTable() {
    const TParamKind number = TParamKind::Number;
    const TParamKind word = TParamKind::Word;
    const TParamKind any = TParamKind::Any;
    std::vector<TEvalFunction> t = {
        {"PI", {}, Pi},
        {"Exp", {{"D", number}}, RealFunction<Exp>},
        {"True", {}, True},
        {"False", {}, False},
        {"Ln", {{"D", number}}, RealFunction<Ln>},
        {"Abs", {{"D", number}}, RealFunction<Abs>},
        {"Int", {{"D", number}}, RealFunction<IntPart>},
        {"Cos", {{"D", number}}, RealFunction<Cos>},
        {"Sin", {{"D", number}}, RealFunction<Sin>},
        {"Tan", {{"D", number}}, RealFunction<Tan>},
        {"Cosh", {{"D", number}}, RealFunction<Cosh>},
        {"Sinh", {{"D", number}}, RealFunction<Sinh>},
        {"Tanh", {{"D", number}}, RealFunction<Tanh>},
        {"Arccos", {{"D", number}}, RealFunction<Arccos>},
        {"Arcsin", {{"D", number}}, RealFunction<Arcsin>},
        {"Arctan", {{"D", number}}, RealFunction<Arctan>},
        {"Log2", {{"D", number}}, RealFunction<Log2>},
        {"log10", {{"D", number}}, RealFunction<Log10>},
        {"Max", {{"V1", any}, {"V2", any}}, Max},
        {"Min", {{"V1", any}, {"V2", any}}, Min},
        {"ShiftLeft", {{"D", word}, {"N", word}}, ShiftLeft},
        {"ShiftRight", {{"D", word}, {"N", word}}, ShiftRight},
        {"Swap16", {{"V1", any}}, Swap16},
        {"Swap32", {{"V1", any}}, Swap32},
        {"GetByteFromInt32", {{"V1", any}, {"AByteNum", word}}, GetByteFromInt32},
        {"GetWordFromInt32", {{"V1", any}, {"AWordNum", word}}, GetWordFromInt32},
        {"IsBitSet", {{"V1", any}, {"ABit", word}}, IsBitSet},
        {"Round", {{"D", number}, {"N", TParamKind::Integer}}, Round},
        {"iif", {{"C", TParamKind::Boolean}, {"V1", any}, {"V2", any}}, Iif},
        {"Evaluation", {{"Expression", TParamKind::Text}, {"AErrorMessage", any}}, EvaluationEntry},
    };
    return t;
}

} // namespace

const std::vector<TEvalFunction>& EvaluationFunctions() {
    static const std::vector<TEvalFunction> table = BuildTable();
    return table;
}

const TEvalFunction* FindEvalFunction(const std::vector<TEvalFunction>& table,
                                      std::string_view name) {
    for (const TEvalFunction& function : table) {
        if (SameName(function.Name, name)) {
            return &function;
        }
    }
    return nullptr;
}

double RoundDecimal(double value, int32_t decimals) {
    double factor = 1;
    // Past about 330 steps the factor is infinite or 0 and stays so: stop there, so that a
    // huge N costs nothing.
    for (int32_t i = 0; i < decimals && std::isfinite(factor); ++i) {
        factor *= 10;
    }
    for (int32_t i = 0; i > decimals && factor != 0; --i) {
        factor /= 10;
    }
    if (factor == 0) {
        return 0; // rounded to a place beyond every representable magnitude
    }
    double scaled = std::fabs(value) * factor;
    if (!std::isfinite(scaled)) {
        return value; // no decimals at that precision: nothing to round
    }
    double whole = std::trunc(scaled);
    double firstDropped = std::nearbyint((scaled - whole) * 10);
    double result = (firstDropped >= 5 ? whole + 1 : whole) / factor;
    if (!std::isfinite(result)) {
        return value;
    }
    result = value < 0 ? -result : result;
    return result + 0.0; // no negative zero
}

bool TRTTI::CallFunction(TEvaluation& evaluator, std::string_view name,
                         std::vector<TEvalValue>& args, TEvalValue& result, std::string& error) {
    error.clear();
    const TEvalFunction* function = evaluator.FindFunction(name);
    if (function == nullptr) {
        return false;
    }
    const std::string functionName(function->Name);
    if (args.size() < function->Params.size()) {
        error =
            "Parameter " + std::to_string(args.size() + 1) + " required for method " + functionName;
        return true;
    }
    if (args.size() > function->Params.size()) {
        error = "Too many parameters for method " + functionName;
        return true;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (!ConvertArgument(function->Params[i].Kind, args[i])) {
            error = "Type mismatch in parameter " + std::to_string(i + 1) + " for method " +
                    functionName;
            return true;
        }
    }
    TEvalValue answer;
    if (!function->Body(evaluator, args, answer, error)) {
        if (error.empty()) {
            error = kInvalidFloatMessage;
        }
        return true;
    }
    error.clear();
    if (!answer.IsNull()) {
        result = std::move(answer);
    }
    return true;
}
