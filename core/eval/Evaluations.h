// TEvaluation: the evaluator of the conversion formulas that turn raw device values into tag
// values. It parses and evaluates in one pass and never throws: failures come back as text.
#pragma once

#include "core/eval/EvalValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct TEvalFunction;

// The formula language, as this evaluator reads it:
// - Blanks (codes 0..32) are dropped everywhere except inside quotes, so "1 2" is 12. A quote
//   is ' or "; either one opens a quoted part and either one closes it, so a text cannot hold
//   a quote character.
// - The lexer returns the operand text standing before the next operator together with that
//   operator (TokenText, TokenKind). A minus right after E or e is part of a number's exponent;
//   "+" always is an operator, so write 1E5 rather than 1E+5.
// - Levels, loosest first, each left-associative: "&" "|"; the comparisons; "+" "-"; "/" "*";
//   "^"; operands with their unary "+", "-", "!". So 2^3^2 is 64 and -2^2 is (-2)^2, which is 0
//   because "^" gives 0 for a base that is not positive. Comparisons chain: 1<2<3 compares
//   True (-1) with 3.
// - Operands: 'text' or "text"; [d.m.y] or [m.y] dates; numbers with "." or "," as the decimal
//   separator; names: a call name(a, b), else a variable of a derived evaluator, else a function
//   without arguments (PI, True, False). "if" is another name for iif. name() calls with no
//   arguments; an empty argument among others, as in iif(c,,1), is Null. Arguments are split
//   at top-level commas (a comma inside square brackets splits too) and each is evaluated by a
//   separate evaluator of the same class without short-circuit, whose message, if any, comes
//   back behind one more prefix.
// - Short-circuit: with ShortCircuit set, reading stops altogether before the right side of "&"
//   after a Boolean false, or of "|" after a Boolean true, and the value so far is the result:
//   False & X gives False even though X is unknown, False & X | True gives False, and
//   (True | 1) fails with ") отсутствует" because the closing parenthesis is never read.
//   Installed formulas were written against this rule, so it stays as it is.
// - A closing parenthesis or a call must be followed by an operator or the end: (1)2 and
//   max(1,2)3 are syntax errors, as is a text constant with anything glued after its closing
//   quote ('ab'c).
// - Bad input never crashes or hangs: nesting is limited to kMaxNesting levels (parentheses,
//   unary signs and calls together) and the formula to kMaxFormulaLength bytes; both give a
//   message. The work is linear in the length of the formula times the call nesting.
// The operators on values and their rules for Null, texts and dates: EvalOperations.h.
// The functions and the conversion of their arguments: EvalFunctions.h.

class TEvaluation {
public:
    // Kinds of the operators the lexer knows (TokenKind); 0 is the end of the formula.
    enum : int32_t {
        TokEnd = 0,
        TokAnd = 1,          // &
        TokOr = 2,           // |
        TokLess = 3,         // <
        TokGreater = 4,      // >
        TokLessEqual = 5,    // <=
        TokEqualLess = 6,    // =<
        TokGreaterEqual = 7, // >=
        TokEqualGreater = 8, // =>
        TokEqual = 9,        // =
        TokNotEqual = 10,    // <>
        TokHash = 11,        // #
        TokBangEqual = 12,   // !=
        TokPlus = 13,        // +
        TokMinus = 14,       // -
        TokDivide = 15,      // /
        TokMultiply = 16,    // *
        TokPower = 17,       // ^
        TokNot = 18,         // !
        TokOpen = 19,        // (
        TokClose = 20,       // )
    };

    static constexpr int32_t kMaxNesting = 100;
    static constexpr size_t kMaxFormulaLength = 16 * 1024 * 1024;

    // An evaluator made for a conversion has ShortCircuit set; those that compute function
    // arguments are made without it.
    TEvaluation();
    explicit TEvaluation(bool shortCircuit);
    virtual ~TEvaluation();

    TEvaluation(const TEvaluation&) = delete;
    TEvaluation& operator=(const TEvaluation&) = delete;

    // Evaluates one formula (Windows-1251 text). On success errorMessage is empty; on failure
    // the result is Null and errorMessage holds the message. An empty formula gives Null and no
    // message. One thread at a time.
    TEvalValue Evaluation(std::string_view expression, std::string& errorMessage);

    // The value of a bracketed operand that is not a date, such as [x]; text includes the
    // brackets. The base evaluator has none and answers Null.
    virtual void GetBracketValue(const std::string& text, TEvalValue& value);

    // A named variable of a derived evaluator (ASCII case ignored); the base has none.
    virtual bool GetVariable(std::string_view name, TEvalValue& value);

    // The named function of this class or its ancestors (ASCII case ignored); nullptr when
    // there is none. A derived class searches its own table, then calls the base.
    virtual const TEvalFunction* FindFunction(std::string_view name) const;

    // A new evaluator of the same class, without short-circuit, for a function argument.
    // A derived class returns its own kind so that arguments see its variables.
    virtual std::unique_ptr<TEvaluation> NewArgumentEvaluator() const;

    // Evaluates a whole formula with a new evaluator of the same class one nesting level
    // below this one (the entry operation called from a formula uses it).
    TEvalValue EvaluateNested(std::string_view expression, std::string& errorMessage,
                              bool shortCircuit) const;

    bool ShortCircuit = true;
    int32_t Position = 1; // 1-based position of the next character to read in Formula
    int32_t TokenKind = TokEnd;
    std::string TokenText;
    std::string Formula; // after blank removal

private:
    struct TAbort;     // unwinds a failing evaluation back to Evaluation
    struct TNestGuard; // counts one level of nesting, fails beyond kMaxNesting

    [[noreturn]] void Fail(std::string message) const;
    [[noreturn]] void FailPrefixed(std::string_view text, std::string_view detail = {}) const;
    void NextToken();
    TEvalValue ParseExpression();
    TEvalValue ParseComparison();
    TEvalValue ParseSum();
    TEvalValue ParseTerm();
    TEvalValue ParsePower();
    TEvalValue ParseOperand();
    TEvalValue ParseConstantOrName();
    TEvalValue CallFunction(std::string name);
    void Apply(int32_t token, TEvalValue& left, const TEvalValue& right);
    void ExpectOperatorAfterOperand();
    std::unique_ptr<TEvaluation> ArgumentEvaluator() const;

    int32_t FNesting = 0; // current depth, counting the levels of the calling evaluators
};
