// Arithmetic, comparison and logical operators on dynamic values.
#include "core/eval/EvalOperations.h"

#include <algorithm>
#include <cmath>
#include <limits>

const char* const kOverflowMessage = "Floating point overflow";
const char* const kInvalidFloatMessage = "Invalid floating point operation";

namespace {

std::string_view OperatorText(TValueOperator op) {
    switch (op) {
    case TValueOperator::And:
        return "&";
    case TValueOperator::Or:
        return "|";
    case TValueOperator::Less:
        return "<";
    case TValueOperator::Greater:
        return ">";
    case TValueOperator::LessEqual:
        return "<=";
    case TValueOperator::GreaterEqual:
        return ">=";
    case TValueOperator::Equal:
        return "=";
    case TValueOperator::NotEqual:
        return "<>";
    case TValueOperator::Add:
        return "+";
    case TValueOperator::Subtract:
        return "-";
    case TValueOperator::Divide:
        return "/";
    case TValueOperator::Multiply:
        return "*";
    case TValueOperator::Power:
        return "^";
    }
    return "?";
}

std::string NullOperandMessage(std::string_view op) {
    return "Invalid operation \"" + std::string(op) + "\" on a Null value";
}

// A value taken as a number for arithmetic and comparison.
struct TNumber {
    bool Ordinal = false; // exact in Integer
    bool Date = false;
    int64_t Integer = 0;
    double Real = 0;
};

bool ToNumber(const TEvalValue& value, std::string_view op, TNumber& number, std::string& error) {
    switch (value.Kind()) {
    case TValueKind::Null:
        error = NullOperandMessage(op);
        return false;
    case TValueKind::Double:
        number.Real = value.RealValue();
        return true;
    case TValueKind::Date:
        number.Real = value.RealValue();
        number.Date = true;
        return true;
    case TValueKind::Text: {
        TEvalValue parsed;
        if (!ParseNumberText(value.TextValue(), parsed)) {
            error =
                "Could not convert text \"" + MessageExcerpt(value.TextValue()) + "\" to a number";
            return false;
        }
        return ToNumber(parsed, op, number, error);
    }
    default:
        number.Ordinal = true;
        number.Integer = value.OrdinalValue();
        number.Real = value.OrdinalValue();
        return true;
    }
}

TEvalValue IntegerResult(int64_t value) {
    if (value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max()) {
        return TEvalValue::FromInteger(static_cast<int32_t>(value));
    }
    return TEvalValue::FromDouble(static_cast<double>(value));
}

bool RealResult(double value, bool date, TEvalValue& result, std::string& error) {
    if (std::isnan(value)) {
        error = kInvalidFloatMessage;
        return false;
    }
    if (!std::isfinite(value)) {
        error = kOverflowMessage;
        return false;
    }
    result = date ? TEvalValue::FromDate(value) : TEvalValue::FromDouble(value);
    return true;
}

bool Arithmetic(TValueOperator op, TEvalValue& left, const TEvalValue& right, std::string& error) {
    if (op == TValueOperator::Add && left.IsText() && right.IsText()) {
        left.MutableText() += right.TextValue(); // in place: a chain of joins stays linear
        return true;
    }
    std::string_view opText = OperatorText(op);
    TNumber l, r;
    if (!ToNumber(left, opText, l, error) || !ToNumber(right, opText, r, error)) {
        return false;
    }
    switch (op) {
    case TValueOperator::Add:
        if (l.Ordinal && r.Ordinal) {
            left = IntegerResult(l.Integer + r.Integer);
            return true;
        }
        return RealResult(l.Real + r.Real, l.Date != r.Date, left, error);
    case TValueOperator::Subtract:
        if (l.Ordinal && r.Ordinal) {
            left = IntegerResult(l.Integer - r.Integer);
            return true;
        }
        return RealResult(l.Real - r.Real, l.Date && !r.Date, left, error);
    case TValueOperator::Multiply:
        if (l.Ordinal && r.Ordinal) {
            left = IntegerResult(l.Integer * r.Integer);
            return true;
        }
        return RealResult(l.Real * r.Real, false, left, error);
    case TValueOperator::Divide:
        return RealResult(l.Real / r.Real, false, left, error);
    case TValueOperator::Power:
        if (l.Real > 0) {
            return RealResult(std::pow(l.Real, r.Real), false, left, error); // e^(r*ln l)
        }
        left = TEvalValue::FromDouble(0);
        return true;
    default:
        return false;
    }
}

// Integer width order for bitwise results.
int BitRank(TValueKind kind) {
    switch (kind) {
    case TValueKind::Byte:
        return 1;
    case TValueKind::Word:
        return 2;
    default:
        return 3;
    }
}

TEvalValue BitsResult(uint32_t bits, int rank) {
    switch (rank) {
    case 1:
        return TEvalValue::FromByte(static_cast<uint8_t>(bits));
    case 2:
        return TEvalValue::FromWord(static_cast<uint16_t>(bits));
    default:
        return TEvalValue::FromInteger(static_cast<int32_t>(bits));
    }
}

bool ToBits(const TEvalValue& value, std::string_view op, uint32_t& bits, std::string& error) {
    if (value.IsNull()) {
        error = NullOperandMessage(op);
        return false;
    }
    return ValueTo32Bits(value, bits, error);
}

bool Logical(TValueOperator op, TEvalValue& left, const TEvalValue& right, std::string& error) {
    bool isAnd = op == TValueOperator::And;
    if (left.Kind() == TValueKind::Boolean && right.Kind() == TValueKind::Boolean) {
        bool l = left.BooleanValue();
        bool r = right.BooleanValue();
        left = TEvalValue::FromBoolean(isAnd ? (l && r) : (l || r));
        return true;
    }
    std::string_view opText = OperatorText(op);
    uint32_t l = 0, r = 0;
    if (!ToBits(left, opText, l, error) || !ToBits(right, opText, r, error)) {
        return false;
    }
    int rank = std::max(BitRank(left.Kind()), BitRank(right.Kind()));
    left = BitsResult(isAnd ? (l & r) : (l | r), rank);
    return true;
}

} // namespace

bool CompareValues(TValueOperator op, const TEvalValue& left, const TEvalValue& right, bool& result,
                   std::string& error) {
    bool equality = op == TValueOperator::Equal || op == TValueOperator::NotEqual;
    if (equality && (left.IsNull() || right.IsNull())) {
        bool equal = left.IsNull() && right.IsNull();
        result = op == TValueOperator::Equal ? equal : !equal;
        return true;
    }
    int order = 0; // <0, 0, >0
    if (left.IsText() && right.IsText()) {
        int c = left.TextValue().compare(right.TextValue());
        order = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
        std::string_view opText = OperatorText(op);
        TNumber l, r;
        if (!ToNumber(left, opText, l, error) || !ToNumber(right, opText, r, error)) {
            return false;
        }
        if (l.Ordinal && r.Ordinal) {
            order = l.Integer < r.Integer ? -1 : (l.Integer > r.Integer ? 1 : 0);
        } else {
            order = l.Real < r.Real ? -1 : (l.Real > r.Real ? 1 : 0);
        }
    }
    switch (op) {
    case TValueOperator::Less:
        result = order < 0;
        return true;
    case TValueOperator::Greater:
        result = order > 0;
        return true;
    case TValueOperator::LessEqual:
        result = order <= 0;
        return true;
    case TValueOperator::GreaterEqual:
        result = order >= 0;
        return true;
    case TValueOperator::Equal:
        result = order == 0;
        return true;
    case TValueOperator::NotEqual:
        result = order != 0;
        return true;
    default:
        error = "Invalid comparison";
        return false;
    }
}

bool ApplyOperator(TValueOperator op, TEvalValue& left, const TEvalValue& right,
                   std::string& error) {
    switch (op) {
    case TValueOperator::And:
    case TValueOperator::Or:
        return Logical(op, left, right, error);
    case TValueOperator::Add:
    case TValueOperator::Subtract:
    case TValueOperator::Divide:
    case TValueOperator::Multiply:
    case TValueOperator::Power:
        return Arithmetic(op, left, right, error);
    default: {
        bool result = false;
        if (!CompareValues(op, left, right, result, error)) {
            return false;
        }
        left = TEvalValue::FromBoolean(result);
        return true;
    }
    }
}

bool NegateValue(TEvalValue& value, std::string& error) {
    TNumber number;
    if (!ToNumber(value, "-", number, error)) {
        return false;
    }
    if (number.Ordinal) {
        value = IntegerResult(-number.Integer);
        return true;
    }
    return RealResult(-number.Real, number.Date, value, error);
}

bool NotValue(TEvalValue& value, std::string& error) {
    switch (value.Kind()) {
    case TValueKind::Boolean:
        value = TEvalValue::FromBoolean(!value.BooleanValue());
        return true;
    case TValueKind::Byte:
    case TValueKind::Word:
    case TValueKind::Integer:
        value = BitsResult(~static_cast<uint32_t>(value.OrdinalValue()), BitRank(value.Kind()));
        return true;
    default: {
        uint32_t bits = 0;
        if (!ToBits(value, "!", bits, error)) {
            return false;
        }
        value = TEvalValue::FromInteger(static_cast<int32_t>(~bits));
        return true;
    }
    }
}
