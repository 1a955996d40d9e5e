// TEvaluation: lexer of (operand, operator) pairs and the recursive-descent parser that
// evaluates while it reads.
#include "core/eval/Evaluations.h"

#include "core/eval/EvalFunctions.h"
#include "core/eval/EvalOperations.h"
#include "core/eval/EvalTexts.h"

#include <array>
#include <exception>
#include <new>
#include <utility>
#include <vector>

struct TEvaluation::TAbort {
    std::string Message;
};

struct TEvaluation::TNestGuard {
    explicit TNestGuard(TEvaluation& evaluation) : Evaluation(evaluation) {
        if (++Evaluation.FNesting > kMaxNesting) {
            --Evaluation.FNesting;
            Evaluation.FailPrefixed(EvalTexts().TooDeep);
        }
    }
    ~TNestGuard() { --Evaluation.FNesting; }
    TNestGuard(const TNestGuard&) = delete;
    TNestGuard& operator=(const TNestGuard&) = delete;
    TEvaluation& Evaluation;
};

namespace {

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters at which an operator starts; every two-character operator starts with one.
constexpr std::array<bool, 256> MakeOperatorStarts() {
    std::array<bool, 256> table{};
    for (unsigned char c : std::string_view("&|<>=#+-/*^!()")) {
        table[c] = true;
    }
    return table;
}
constexpr std::array<bool, 256> kOperatorStarts = MakeOperatorStarts();

bool IsOperatorStart(char c) {
    return kOperatorStarts[static_cast<unsigned char>(c)];
}

// The longest operator at text[i] (which starts one); its kind and length.
std::pair<int32_t, int32_t> OperatorAt(const std::string& text, size_t i) {
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (text[i]) {
    case '&':
        return {TEvaluation::TokAnd, 1};
    case '|':
        return {TEvaluation::TokOr, 1};
    case '<':
        if (next == '=') {
            return {TEvaluation::TokLessEqual, 2};
        }
        if (next == '>') {
            return {TEvaluation::TokNotEqual, 2};
        }
        return {TEvaluation::TokLess, 1};
    case '>':
        if (next == '=') {
            return {TEvaluation::TokGreaterEqual, 2};
        }
        return {TEvaluation::TokGreater, 1};
    case '=':
        if (next == '<') {
            return {TEvaluation::TokEqualLess, 2};
        }
        if (next == '>') {
            return {TEvaluation::TokEqualGreater, 2};
        }
        return {TEvaluation::TokEqual, 1};
    case '#':
        return {TEvaluation::TokHash, 1};
    case '!':
        if (next == '=') {
            return {TEvaluation::TokBangEqual, 2};
        }
        return {TEvaluation::TokNot, 1};
    case '+':
        return {TEvaluation::TokPlus, 1};
    case '-':
        return {TEvaluation::TokMinus, 1};
    case '/':
        return {TEvaluation::TokDivide, 1};
    case '*':
        return {TEvaluation::TokMultiply, 1};
    case '^':
        return {TEvaluation::TokPower, 1};
    case '(':
        return {TEvaluation::TokOpen, 1};
    default:
        return {TEvaluation::TokClose, 1};
    }
}

TValueOperator ValueOperatorOf(int32_t token) {
    switch (token) {
    case TEvaluation::TokAnd:
        return TValueOperator::And;
    case TEvaluation::TokOr:
        return TValueOperator::Or;
    case TEvaluation::TokLess:
        return TValueOperator::Less;
    case TEvaluation::TokGreater:
        return TValueOperator::Greater;
    case TEvaluation::TokLessEqual:
    case TEvaluation::TokEqualLess:
        return TValueOperator::LessEqual;
    case TEvaluation::TokGreaterEqual:
    case TEvaluation::TokEqualGreater:
        return TValueOperator::GreaterEqual;
    case TEvaluation::TokEqual:
        return TValueOperator::Equal;
    case TEvaluation::TokNotEqual:
    case TEvaluation::TokHash:
    case TEvaluation::TokBangEqual:
        return TValueOperator::NotEqual;
    case TEvaluation::TokPlus:
        return TValueOperator::Add;
    case TEvaluation::TokMinus:
        return TValueOperator::Subtract;
    case TEvaluation::TokDivide:
        return TValueOperator::Divide;
    case TEvaluation::TokMultiply:
        return TValueOperator::Multiply;
    default:
        return TValueOperator::Power;
    }
}

bool IsComparison(int32_t token) {
    return token >= TEvaluation::TokLess && token <= TEvaluation::TokBangEqual;
}

// [digits and points] with one or two points.
bool IsDateConstant(const std::string& text) {
    if (text.size() < 2 || text[0] != '[') {
        return false;
    }
    int32_t points = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '.') {
            ++points;
        } else if (!IsDigit(text[i])) {
            return false;
        }
    }
    return points == 1 || points == 2;
}

bool IsNumberConstant(const std::string& text) {
    for (char c : text) {
        if (!(IsDigit(c) || c == ' ' || c == '+' || c == ',' || c == '-' || c == '.' || c == 'E' ||
              c == 'e')) {
            return false;
        }
    }
    return true;
}

bool IsIfName(std::string_view name) {
    return name.size() == 2 && (name[0] == 'i' || name[0] == 'I') &&
           (name[1] == 'f' || name[1] == 'F');
}

bool IsAllBlank(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

TEvaluation::TEvaluation() : TEvaluation(true) {}

TEvaluation::TEvaluation(bool shortCircuit) : ShortCircuit(shortCircuit) {}

TEvaluation::~TEvaluation() = default;

void TEvaluation::GetBracketValue(const std::string&, TEvalValue& value) {
    value = TEvalValue();
}

bool TEvaluation::GetVariable(std::string_view, TEvalValue&) {
    return false;
}

const TEvalFunction* TEvaluation::FindFunction(std::string_view name) const {
    return FindEvalFunction(EvaluationFunctions(), name);
}

std::unique_ptr<TEvaluation> TEvaluation::NewArgumentEvaluator() const {
    return std::make_unique<TEvaluation>(false);
}

std::unique_ptr<TEvaluation> TEvaluation::ArgumentEvaluator() const {
    std::unique_ptr<TEvaluation> evaluator = NewArgumentEvaluator();
    if (!evaluator) {
        evaluator = std::make_unique<TEvaluation>(false); // a derived class that made none
    }
    return evaluator;
}

TEvalValue TEvaluation::EvaluateNested(std::string_view expression, std::string& errorMessage,
                                       bool shortCircuit) const {
    std::unique_ptr<TEvaluation> nested = ArgumentEvaluator();
    nested->ShortCircuit = shortCircuit;
    nested->FNesting = FNesting + 1;
    return nested->Evaluation(expression, errorMessage);
}

TEvalValue TEvaluation::Evaluation(std::string_view expression, std::string& errorMessage) {
    errorMessage.clear();
    const int32_t nesting = FNesting;
    try {
        Formula.clear();
        Position = 1;
        TokenKind = TokEnd;
        TokenText.clear();
        if (expression.size() > kMaxFormulaLength) {
            FailPrefixed(EvalTexts().TooLong);
        }
        Formula.reserve(expression.size());
        bool quoted = false;
        for (char c : expression) {
            if (IsQuote(c)) {
                quoted = !quoted;
            } else if (!quoted && IsBlank(c)) {
                continue;
            }
            Formula += c;
        }
        if (Formula.empty()) {
            return TEvalValue();
        }
        TEvalValue result = ParseExpression();
        if (TokenKind != TokEnd) {
            FailPrefixed(EvalTexts().Unfinished);
        }
        return result;
    } catch (TAbort& abort) {
        errorMessage = std::move(abort.Message);
    } catch (const std::bad_alloc&) {
        errorMessage = "Out of memory";
    } catch (const std::exception& e) {
        errorMessage = e.what();
    } catch (...) {
        errorMessage = "Unknown failure";
    }
    FNesting = nesting;
    if (errorMessage.empty()) {
        errorMessage = "Unknown failure"; // a failure always says something
    }
    return TEvalValue();
}

void TEvaluation::Fail(std::string message) const {
    throw TAbort{std::move(message)};
}

void TEvaluation::FailPrefixed(std::string_view text, std::string_view detail) const {
    std::string message = EvalTexts().Prefix;
    message += text;
    message += detail;
    Fail(std::move(message));
}

void TEvaluation::NextToken() {
    TokenKind = TokEnd;
    TokenText.clear();
    const size_t length = Formula.size();
    size_t i = static_cast<size_t>(Position) - 1;
    if (Position < 1 || i >= length) {
        return;
    }
    const size_t start = i;
    bool quoted = false;
    bool bracketed = false;
    for (; i < length; ++i) {
        char c = Formula[i];
        if (quoted) {
            quoted = !IsQuote(c);
        } else if (bracketed) {
            bracketed = c != ']';
        } else if (IsQuote(c)) {
            quoted = true;
        } else if (c == '[') {
            bracketed = true;
        } else if (IsOperatorStart(c)) {
            // A minus after E belongs to an exponent (1E-5), and so to the operand.
            if (c == '-' && i > 0 && (Formula[i - 1] == 'E' || Formula[i - 1] == 'e')) {
                continue;
            }
            break;
        }
    }
    TokenText.assign(Formula, start, i - start);
    if (quoted || bracketed) {
        FailPrefixed(EvalTexts().MissingTerminator);
    }
    if (i >= length) {
        Position = static_cast<int32_t>(length) + 1;
        return;
    }
    auto [kind, size] = OperatorAt(Formula, i);
    TokenKind = kind;
    Position = static_cast<int32_t>(i + size) + 1;
}

void TEvaluation::Apply(int32_t token, TEvalValue& left, const TEvalValue& right) {
    std::string error;
    if (!ApplyOperator(ValueOperatorOf(token), left, right, error)) {
        Fail(std::move(error));
    }
}

TEvalValue TEvaluation::ParseExpression() {
    TEvalValue value = ParseComparison();
    while (TokenKind == TokAnd || TokenKind == TokOr) {
        const int32_t op = TokenKind;
        const bool decided = ShortCircuit && value.Kind() == TValueKind::Boolean &&
                             (op == TokAnd ? !value.BooleanValue() : value.BooleanValue());
        if (decided) {
            // Reading stops altogether: nothing after the operator is read, not even a closing
            // parenthesis, and the value so far is the result.
            TokenKind = TokEnd;
            return value;
        }
        TEvalValue right = ParseComparison();
        Apply(op, value, right);
    }
    return value;
}

TEvalValue TEvaluation::ParseComparison() {
    TEvalValue value = ParseSum();
    while (IsComparison(TokenKind)) {
        const int32_t op = TokenKind;
        TEvalValue right = ParseSum();
        Apply(op, value, right);
    }
    return value;
}

TEvalValue TEvaluation::ParseSum() {
    TEvalValue value = ParseTerm();
    while (TokenKind == TokPlus || TokenKind == TokMinus) {
        const int32_t op = TokenKind;
        TEvalValue right = ParseTerm();
        Apply(op, value, right);
    }
    return value;
}

TEvalValue TEvaluation::ParseTerm() {
    TEvalValue value = ParsePower();
    while (TokenKind == TokDivide || TokenKind == TokMultiply) {
        const int32_t op = TokenKind;
        TEvalValue right = ParsePower();
        if (op == TokDivide) {
            bool zero = false;
            std::string error;
            if (!CompareValues(TValueOperator::Equal, right, TEvalValue::FromInteger(0), zero,
                               error)) {
                Fail(std::move(error));
            }
            if (zero) {
                FailPrefixed(EvalTexts().DivisionByZero);
            }
        }
        Apply(op, value, right);
    }
    return value;
}

TEvalValue TEvaluation::ParsePower() {
    TEvalValue value = ParseOperand();
    while (TokenKind == TokPower) {
        TEvalValue right = ParseOperand();
        Apply(TokPower, value, right);
    }
    return value;
}

void TEvaluation::ExpectOperatorAfterOperand() {
    // Text glued to a closed parenthesis or call, as in (1)2, would otherwise vanish unread.
    if (!TokenText.empty()) {
        FailPrefixed(EvalTexts().SyntaxError);
    }
}

TEvalValue TEvaluation::ParseOperand() {
    TNestGuard nest(*this);
    NextToken();
    if (!TokenText.empty()) {
        return ParseConstantOrName();
    }
    std::string error;
    switch (TokenKind) {
    case TokPlus:
        return ParseOperand();
    case TokMinus: {
        TEvalValue value = ParseOperand();
        if (!NegateValue(value, error)) {
            Fail(std::move(error));
        }
        return value;
    }
    case TokNot: {
        TEvalValue value = ParseOperand();
        if (!NotValue(value, error)) {
            Fail(std::move(error));
        }
        return value;
    }
    case TokOpen: {
        TEvalValue value = ParseExpression();
        if (TokenKind != TokClose) {
            FailPrefixed(EvalTexts().MissingParen);
        }
        NextToken();
        ExpectOperatorAfterOperand();
        return value;
    }
    default:
        FailPrefixed(EvalTexts().SyntaxError);
    }
}

TEvalValue TEvaluation::ParseConstantOrName() {
    const std::string& text = TokenText;
    std::string error;
    if (IsQuote(text[0])) {
        if (!IsQuote(text.back())) {
            FailPrefixed(EvalTexts().SyntaxError); // something glued after the closing quote
        }
        return TEvalValue::FromText(text.substr(1, text.size() - 2));
    }
    if (IsDateConstant(text)) {
        TEvalValue value;
        if (!ParseDateConstant(std::string_view(text).substr(1, text.size() - 2), value, error)) {
            Fail(std::move(error));
        }
        return value;
    }
    if (IsNumberConstant(text)) {
        TEvalValue value;
        if (!ParseNumberConstant(text, value, error)) {
            Fail(std::move(error));
        }
        return value;
    }
    if (TokenKind == TokOpen) {
        return CallFunction(text);
    }
    TEvalValue value;
    if (text[0] == '[') {
        GetBracketValue(text, value);
        return value;
    }
    if (GetVariable(text, value)) {
        return value;
    }
    std::vector<TEvalValue> noArgs;
    if (!TRTTI::CallFunction(*this, text, noArgs, value, error)) {
        FailPrefixed(EvalTexts().UnknownVariable, text);
    }
    if (!error.empty()) {
        Fail(std::move(error));
    }
    return value;
}

TEvalValue TEvaluation::CallFunction(std::string name) {
    if (IsIfName(name)) {
        name = "iif";
    }
    // Split the arguments at the commas of depth 1 up to the matching ")"; quotes hide
    // everything inside them, square brackets do not.
    std::vector<std::pair<size_t, size_t>> spans; // start, length
    const size_t length = Formula.size();
    size_t i = static_cast<size_t>(Position) - 1;
    size_t start = i;
    int64_t depth = 1;
    bool quoted = false;
    bool closed = false;
    for (; i < length; ++i) {
        char c = Formula[i];
        if (quoted) {
            quoted = !IsQuote(c);
        } else if (IsQuote(c)) {
            quoted = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) {
                spans.emplace_back(start, i - start);
                closed = true;
                break;
            }
        } else if (c == ',' && depth == 1) {
            spans.emplace_back(start, i - start);
            start = i + 1;
        }
    }
    if (!closed) {
        Fail(EvalTexts().ParenNotFound);
    }
    Position = static_cast<int32_t>(i) + 2;

    TEvalValue result;
    // name() has no arguments; an empty argument among others is a Null.
    if (spans.size() == 1 && spans[0].second == 0) {
        spans.clear();
    }
    std::vector<TEvalValue> args;
    args.reserve(spans.size());
    std::unique_ptr<TEvaluation> argumentEvaluator;
    std::string error;
    for (const auto& [argStart, argLength] : spans) {
        std::string_view argText = std::string_view(Formula).substr(argStart, argLength);
        if (IsAllBlank(argText)) {
            args.emplace_back();
            continue;
        }
        if (!argumentEvaluator) {
            argumentEvaluator = ArgumentEvaluator();
        }
        argumentEvaluator->FNesting = FNesting + 1;
        args.push_back(argumentEvaluator->Evaluation(argText, error));
        if (!error.empty()) {
            FailPrefixed(error);
        }
    }
    if (!TRTTI::CallFunction(*this, name, args, result, error)) {
        FailPrefixed(EvalTexts().UnknownFunction, name);
    }
    if (!error.empty()) {
        Fail(std::move(error));
    }
    NextToken();
    ExpectOperatorAfterOperand();
    return result;
}
