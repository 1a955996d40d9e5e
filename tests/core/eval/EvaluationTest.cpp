// The conversion formula evaluator: one table of formulas with their value or exact message,
// then the placeholder, derived evaluators and bad input that must neither crash nor hang.
#include "core/eval/EvalFunctions.h"
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"
#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "value (Kind)" for a result, "error: message" for a failure; UTF-8 both ways.
std::string Outcome(TEvaluation& evaluation, const std::string& utf8Formula) {
    std::string message = "unchanged";
    TEvalValue value = evaluation.Evaluation(platform::Utf8ToAnsi(utf8Formula), message);
    if (!message.empty()) {
        if (!value.IsNull()) {
            return "value beside an error: " + platform::AnsiToUtf8(message);
        }
        return "error: " + platform::AnsiToUtf8(message);
    }
    return platform::AnsiToUtf8(FormatValue(value)) + " (" +
           std::string(ValueKindName(value.Kind())) + ")";
}

std::string Outcome(const std::string& utf8Formula) {
    TEvaluation evaluation;
    return Outcome(evaluation, utf8Formula);
}

struct TCase {
    const char* Formula;
    const char* Expected;
};

const TCase kCases[] = {
    // Precedence, associativity and the power rule.
    {"1 + 2 * 3", "7 (Integer)"},
    {"(1+2)*3", "9 (Integer)"},
    {"7-2-1", "4 (Integer)"},
    {"2^3^2", "64 (Double)"},
    {"-2^2", "0 (Double)"},
    {"0^0", "0 (Double)"},
    {"2^0.5", "1.4142135623730951 (Double)"},
    {"2*3^2", "18 (Double)"},
    {"10/4", "2.5 (Double)"},
    {"8/4", "2 (Double)"},
    {"--2", "2 (Integer)"},
    {"+-+2", "-2 (Integer)"},
    {"2147483647+1", "2147483648 (Double)"},
    {"10^400", "error: Floating point overflow"},
    // Numbers: blanks vanish, "," is a decimal separator, only a minus stays in an exponent.
    {"1 2", "12 (Integer)"},
    {"1,5*2", "3 (Double)"},
    {"2.5e-1", "0.25 (Double)"},
    {"1e5", "100000 (Double)"},
    {"1E+5", "6 (Double)"},
    {"1.2.3", "1.2 (Double)"},
    {"1e-999", "0 (Double)"},
    {"1e999", "error: Number 1e999 is out of range"},
    // Texts keep their blanks; "+" joins two texts; a numeric text meets numbers as a number.
    {"'a b' + \"c\"", "a bc (Text)"},
    {"'Привет'", "Привет (Text)"},
    {"''", " (Text)"},
    {"'12'+1", "13 (Integer)"},
    {"'10'=10", "True (Boolean)"},
    {"'abc'<'abd'", "True (Boolean)"},
    {"'ab'*2", "error: Could not convert text \"ab\" to a number"},
    // Comparisons give Booleans and chain from the left (True is -1).
    {"1<2<3", "True (Boolean)"},
    {"3>2>1", "False (Boolean)"},
    {"1<>2", "True (Boolean)"},
    {"1#1", "False (Boolean)"},
    {"1!=2", "True (Boolean)"},
    {"2=>2", "True (Boolean)"},
    {"2=<1", "False (Boolean)"},
    {"1<=1", "True (Boolean)"},
    {"2>=3", "False (Boolean)"},
    // Logical on Booleans, bitwise on integers.
    {"True & False", "False (Boolean)"},
    {"5&3", "1 (Integer)"},
    {"5|3", "7 (Integer)"},
    {"!True", "False (Boolean)"},
    {"!0", "-1 (Integer)"},
    {"!IsBitSet(8,3)", "254 (Byte)"},
    {"IsBitSet(8,3)=0", "False (Boolean)"},
    {"-True", "1 (Integer)"},
    // Short-circuit: reading stops altogether, the value so far is the result.
    {"False & X", "False (Boolean)"},
    {"TRUE | 1/0", "True (Boolean)"},
    {"X & False", "error: TEvaluation:: Неизвестная переменная X"},
    {"(True | 1)", "error: TEvaluation:: ) отсутствует"},
    {"False & X | True", "False (Boolean)"},
    {"(False & X)+1", "error: TEvaluation:: ) отсутствует"},
    {"False & (1", "False (Boolean)"},
    {"1 & X", "error: TEvaluation:: Неизвестная переменная X"}, // only a Boolean decides
    {"iif(True | X, 1, 2)", "error: TEvaluation:: TEvaluation:: Неизвестная переменная X"},
    // Functions: names in any letter case, "if" for iif, conversions of the arguments.
    {"max(3, 7)", "7 (Integer)"},
    {"MAX(3,7)", "7 (Integer)"},
    {"Min(2.5,'3')", "2.5 (Double)"},
    {"pi", "3.141592653589793 (Double)"},
    {"PI()", "3.141592653589793 (Double)"},
    {"if(12>10,1,0)", "1 (Integer)"},
    {"iif(0,'a','b')", "b (Text)"},
    {"iif('true',1,2)", "1 (Integer)"},
    {"Abs(-5)", "5 (Double)"},
    {"Int(-2.7)", "-2 (Double)"},
    {"Exp(0)+Ln(1)", "1 (Double)"},
    {"log10(1000)", "3 (Double)"},
    {"LOG2(8)", "3 (Double)"},
    {"Cos(0)+Sin(0)+Tan(0)", "1 (Double)"},
    {"Cosh(0)+Sinh(0)+Tanh(0)", "1 (Double)"},
    {"Arccos(1)+Arcsin(0)+Arctan(0)", "0 (Double)"},
    {"Ln(-1)", "error: Invalid floating point operation"},
    {"Ln(0)", "error: Invalid floating point operation"},
    {"Arcsin(2)", "error: Invalid floating point operation"},
    {"Exp(1000)", "error: Floating point overflow"},
    {"GetByteFromInt32(258,1)", "1 (Byte)"},
    {"GetByteFromInt32(-1,3)", "255 (Byte)"},
    {"GetByteFromInt32(258,4)", "Null (Null)"},
    {"GetWordFromInt32(65537,1)", "1 (Word)"},
    {"GetWordFromInt32(-1,0)", "65535 (Word)"},
    {"GetWordFromInt32(65537,2)", "Null (Null)"},
    {"IsBitSet(5,2)", "1 (Byte)"},
    {"IsBitSet(5,1)", "0 (Byte)"},
    {"IsBitSet(65536,16)", "0 (Byte)"},
    {"IsBitSet(-1,15)", "1 (Byte)"},
    {"IsBitSet(4,34)", "1 (Byte)"},
    {"Swap16(4660)", "13330 (Integer)"},
    {"Swap16(305419896)", "305428566 (Integer)"},
    {"Swap32(1)", "65536 (Integer)"},
    {"Swap32(4294967295)", "-1 (Integer)"},
    {"Swap32(4294967296)", "0 (Integer)"},
    {"GetWordFromInt32(4294967297,0)", "1 (Word)"},
    {"IsBitSet(-65536.4,0)", "0 (Byte)"},
    {"Swap16(1e20)", "error: Value 1e+20 is out of the 64-bit integer range"},
    {"ShiftLeft(1,15)", "32768 (Word)"},
    {"ShiftLeft(1,16)", "0 (Word)"},
    {"ShiftLeft(-1,1)", "65534 (Word)"},
    {"ShiftRight(65535,8)", "255 (Word)"},
    {"ShiftRight(256,40)", "1 (Word)"},
    {"Round(2.46,1)", "2.5 (Double)"},
    {"Round(-2.46,1)", "-2.5 (Double)"},
    {"Round(1234,-2)", "1200 (Double)"},
    {"Round(1.041,2)", "1.04 (Double)"},
    {"Round(1.046,2)", "1.05 (Double)"},
    {"Round(2.5,0)", "3 (Double)"},
    {"Round(-0.04,1)", "0 (Double)"},
    {"Round(1.5,2000000000)", "1.5 (Double)"},
    {"Round(1234,-2000000000)", "0 (Double)"},
    {"Evaluation('1+2',0)", "3 (Integer)"},
    {"Evaluation('1/0',0)", "error: TEvaluation:: Ошибка деления на ноль."},
    // Function call failures.
    {"Max(1,5,2)", "error: Too many parameters for method Max"},
    {"Exp()", "error: Parameter 1 required for method Exp"},
    {"exp", "error: Parameter 1 required for method Exp"},
    {"Round(1)", "error: Parameter 2 required for method Round"},
    {"Exp('x')", "error: Type mismatch in parameter 1 for method Exp"},
    {"Round(1,'a')", "error: Type mismatch in parameter 2 for method Round"},
    {"iif(,1,2)", "error: Type mismatch in parameter 1 for method iif"},
    {"ShiftLeft(1,1e20)", "error: Type mismatch in parameter 2 for method ShiftLeft"},
    {"foo(1)", "error: TEvaluation:: Неизвестная функция foo"},
    {"Max(1,foo(2))", "error: TEvaluation:: TEvaluation:: Неизвестная функция foo"},
    {"max(1,2", "error: ) не найдена"},
    // Null meets operators: equal only to Null, anything else fails by name.
    {"GetByteFromInt32(258,4)+1", "error: Invalid operation \"+\" on a Null value"},
    {"GetByteFromInt32(1,4)=GetWordFromInt32(1,2)", "True (Boolean)"},
    {"GetByteFromInt32(1,4)<>0", "True (Boolean)"},
    {"Max(GetByteFromInt32(1,4),1)", "error: Invalid operation \">\" on a Null value"},
    // Dates.
    {"[15.05.2014]", "15.05.2014 (Date)"},
    {"[05.2014]", "01.05.2014 (Date)"},
    {"[1.1.14]", "01.01.2014 (Date)"},
    {"[15.05.2014]+1.5", "16.05.2014 12:00:00 (Date)"},
    {"[16.05.2014]-[15.05.2014]", "1 (Double)"},
    {"[30.12.1899]-1.25", "29.12.1899 06:00:00 (Date)"},
    {"[15.05.2014]>[14.05.2014]", "True (Boolean)"},
    {"[31.02.2014]", "error: '31.02.2014' is not a valid date"},
    {"[x]", "Null (Null)"},
    {"[1.2.3.4]", "Null (Null)"},
    // The evaluator's own failures.
    {"", "Null (Null)"},
    {" \t ", "Null (Null)"},
    {"10/0", "error: TEvaluation:: Ошибка деления на ноль."},
    {"10/(1-1)", "error: TEvaluation:: Ошибка деления на ноль."},
    {"10/'0'", "error: TEvaluation:: Ошибка деления на ноль."},
    {"1)", "error: TEvaluation:: Незавершенная формула"},
    {"1(2)", "error: TEvaluation:: Незавершенная формула"},
    {"(1", "error: TEvaluation:: ) отсутствует"},
    {"1+", "error: TEvaluation:: Синтаксическая ошибка."},
    {"*1", "error: TEvaluation:: Синтаксическая ошибка."},
    {"()", "error: TEvaluation:: Синтаксическая ошибка."},
    {"(1)2", "error: TEvaluation:: Синтаксическая ошибка."},
    {"max(1,2)3", "error: TEvaluation:: Синтаксическая ошибка."},
    {"'ab'c", "error: TEvaluation:: Синтаксическая ошибка."},
    {"'abc", "error: TEvaluation:: Отсутствует завершающий символ в константе."},
    {"[1.2", "error: TEvaluation:: Отсутствует завершающий символ в константе."},
    {"TIME-1", "error: TEvaluation:: Неизвестная переменная TIME-1"},
    {"Уровень*2", "error: TEvaluation:: Неизвестная переменная Уровень"},
};

TEST(Evaluation, FormulaTable) {
    TEvaluation evaluation; // one evaluator for all: nothing may carry over between formulas
    for (const TCase& c : kCases) {
        EXPECT_EQ(Outcome(evaluation, c.Formula), c.Expected) << "formula: " << c.Formula;
    }
}

TEST(Evaluation, FormulaWithTheReceivedValue) {
    struct TValueCase {
        const char* Formula;
        const char* Value;
        const char* Expected;
    };
    const TValueCase cases[] = {
        {"%VALUE%*0.1", "250", "25 (Double)"},
        {"if(%VALUE%>10,1,0)", "12", "1 (Integer)"},
        {"iif(IsBitSet(%value%,3),1,0)", "8", "1 (Integer)"},
        {"%Value% - %VALUE%", "-5", "0 (Integer)"},
        {"%value%/0", "7", "error: TEvaluation:: Ошибка деления на ноль."},
    };
    for (const TValueCase& c : cases) {
        EXPECT_EQ(Outcome(ReplaceValuePlaceholder(c.Formula, c.Value)), c.Expected)
            << "formula: " << c.Formula << " value " << c.Value;
    }
}

TEST(ValuePlaceholder, ReplacesEveryPlaceholderInAnyCaseOnce) {
    EXPECT_EQ(ReplaceValuePlaceholder("%VALUE%+%value%*%VaLuE%", "12"), "12+12*12");
    EXPECT_EQ(ReplaceValuePlaceholder("%%VALUE%%", "1"), "%1%");
    EXPECT_EQ(ReplaceValuePlaceholder("%VALUE", "1"), "%VALUE");
    // What was put in is not scanned again.
    EXPECT_EQ(ReplaceValuePlaceholder("%VALUE%", "%VALUE%"), "%VALUE%");
    EXPECT_EQ(ReplaceValuePlaceholder("", "1"), "");
}

TEST(Round, DecidesOnTheFirstDroppedDecimal) {
    EXPECT_DOUBLE_EQ(RoundDecimal(2.44, 1), 2.4);
    EXPECT_DOUBLE_EQ(RoundDecimal(2.45, 1), 2.5);
    EXPECT_DOUBLE_EQ(RoundDecimal(1e308, 1), 1e308); // no decimals left to round
    EXPECT_DOUBLE_EQ(RoundDecimal(-1234.5, 0), -1235);
}

// A derived evaluator with one variable and one extra function; it counts the variable's
// reads so that short-circuit can be seen to leave the right side unevaluated.
class TPlantEvaluation : public TEvaluation {
public:
    explicit TPlantEvaluation(bool shortCircuit, int* reads)
        : TEvaluation(shortCircuit), Reads(reads) {}

    bool GetVariable(std::string_view name, TEvalValue& value) override {
        if (name.size() == 5 && (name == "Level" || name == "LEVEL" || name == "level")) {
            ++*Reads;
            value = TEvalValue::FromInteger(40);
            return true;
        }
        return false;
    }

    void GetBracketValue(const std::string& text, TEvalValue& value) override {
        value = TEvalValue::FromText("bracket " + text);
    }

    const TEvalFunction* FindFunction(std::string_view name) const override {
        static const std::vector<TEvalFunction> own = {
            {"Twice",
             {{"D", TParamKind::Number}},
             [](TEvaluation&, const std::vector<TEvalValue>& a, TEvalValue& r, std::string&) {
                 r = TEvalValue::FromDouble(2 * a[0].RealValue());
                 return true;
             }},
        };
        const TEvalFunction* f = FindEvalFunction(own, name);
        return f != nullptr ? f : TEvaluation::FindFunction(name);
    }

    std::unique_ptr<TEvaluation> NewArgumentEvaluator() const override {
        return std::make_unique<TPlantEvaluation>(false, Reads);
    }

    int* Reads;
};

TEST(DerivedEvaluation, ArgumentsSeeTheDerivedVariablesAndFunctions) {
    int reads = 0;
    TPlantEvaluation evaluation(true, &reads);
    EXPECT_EQ(Outcome(evaluation, "twice(Level)+Max(level,1)"), "120 (Double)");
    EXPECT_EQ(Outcome(evaluation, "[tank 1]"), "bracket [tank1] (Text)"); // blanks go
    EXPECT_EQ(Outcome(evaluation, "Twice(1,2)"), "error: Too many parameters for method Twice");
    EXPECT_EQ(reads, 2);
}

TEST(DerivedEvaluation, ShortCircuitLeavesTheRightSideUnread) {
    int reads = 0;
    TPlantEvaluation evaluation(true, &reads);
    EXPECT_EQ(Outcome(evaluation, "False & Level>10"), "False (Boolean)");
    EXPECT_EQ(Outcome(evaluation, "True | Level>10 & True"), "True (Boolean)");
    EXPECT_EQ(reads, 0);
    // Without short-circuit (as for function arguments) both sides are evaluated.
    TPlantEvaluation plain(false, &reads);
    EXPECT_EQ(Outcome(plain, "False & Level>10"), "False (Boolean)");
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(Outcome(evaluation, "iif(False & Level>10, 1, 2)"), "2 (Integer)");
    EXPECT_EQ(reads, 2);
}

// Bad input: each gives a value or a message, quickly, and the evaluator stays usable.
class BadInput : public ::testing::Test {
protected:
    std::string Evaluate(const std::string& formula) {
        std::string message;
        TEvalValue value = Evaluation.Evaluation(formula, message);
        Last = value;
        return message;
    }
    std::string Prefixed(const std::string& utf8) {
        return "TEvaluation:: " + platform::Utf8ToAnsi(utf8);
    }
    std::string TooDeep() {
        return Prefixed("Слишком глубокая вложенность формулы (более 100 уровней)");
    }

    TEvaluation Evaluation;
    TEvalValue Last;
};

TEST_F(BadInput, DeepNestingIsRefusedWithAMessage) {
    EXPECT_EQ(Evaluate(std::string(10000, '(')), TooDeep());
    EXPECT_EQ(Evaluate(std::string(10000, '(') + "1" + std::string(10000, ')')), TooDeep());
    EXPECT_EQ(Evaluate(std::string(1000000, '-') + "1"), TooDeep());
    // Just inside the limit: 99 parentheses put the innermost operand at level 100.
    EXPECT_EQ(Evaluate(std::string(99, '(') + "1" + std::string(99, ')')), "");
    EXPECT_EQ(FormatValue(Last), "1");
    EXPECT_EQ(Evaluate(std::string(100, '(') + "1" + std::string(100, ')')), TooDeep());
}

TEST_F(BadInput, DeepCallsAreRefusedBehindOnePrefixPerLevel) {
    std::string formula;
    for (int i = 0; i < 10000; ++i) {
        formula += "Abs(";
    }
    formula += "1" + std::string(10000, ')');
    std::string message = Evaluate(formula);
    ASSERT_GT(message.size(), TooDeep().size());
    EXPECT_EQ(message.substr(message.size() - TooDeep().size()), TooDeep());
    EXPECT_TRUE(Last.IsNull());
    // An unclosed call is found at once, however long the rest.
    std::string open;
    for (int i = 0; i < 250000; ++i) {
        open += "Abs(";
    }
    EXPECT_EQ(Evaluate(open), platform::Utf8ToAnsi(") не найдена"));
}

TEST_F(BadInput, MegabyteFormulasEvaluate) {
    std::string sum;
    for (int i = 0; i < 500000; ++i) {
        sum += "1+";
    }
    sum += "1";
    EXPECT_EQ(Evaluate(sum), "");
    EXPECT_EQ(FormatValue(Last), "500001");

    std::string join;
    for (int i = 0; i < 250000; ++i) {
        join += "'ab'+";
    }
    join += "''";
    EXPECT_EQ(Evaluate(join), "");
    EXPECT_EQ(Last.TextValue().size(), 500000u);

    std::string text = "'" + std::string(1000000, 'x') + "'";
    EXPECT_EQ(Evaluate(text), "");
    EXPECT_EQ(Last.TextValue().size(), 1000000u);

    // A megabyte name is reported (as the unknown name it is) without trouble.
    EXPECT_EQ(Evaluate(std::string(1000000, 'x')).size(),
              Prefixed("Неизвестная переменная ").size() + 1000000);
}

TEST_F(BadInput, HugeNumbersGiveAValueOrAMessage) {
    EXPECT_EQ(Evaluate(std::string(1000000, '9')),
              "Number " + std::string(64, '9') + "... is out of range");
    EXPECT_EQ(Evaluate(std::string(300, '9')), "");
    EXPECT_EQ(Last.Kind(), TValueKind::Double);
    EXPECT_EQ(Evaluate("0." + std::string(1000000, '0') + "1"), "");
    EXPECT_EQ(FormatValue(Last), "0");
    EXPECT_EQ(Evaluate("1e2147483648"), "Number 1e2147483648 is out of range");
    EXPECT_EQ(Evaluate("[" + std::string(100000, '1') + ".1.1]"),
              "'" + std::string(64, '1') + "...' is not a valid date");
}

TEST_F(BadInput, ManyArgumentsGiveTheCallsMessage) {
    std::string args;
    for (int i = 1; i <= 100; ++i) {
        args += (i > 1 ? "," : "") + std::to_string(i);
    }
    EXPECT_EQ(Evaluate("Max(" + args + ")"), "Too many parameters for method Max");
    EXPECT_EQ(Evaluate("iif(" + args + ")"), "Too many parameters for method iif");
    EXPECT_EQ(Evaluate("Nothing(" + args + ")"), Prefixed("Неизвестная функция Nothing"));
    EXPECT_EQ(Evaluate("Max(" + std::string(100000, ',') + ")"),
              "Too many parameters for method Max");
}

TEST_F(BadInput, ControlAndHighBytesAreHarmless) {
    std::string bytes;
    for (int c = 0; c < 256; ++c) {
        bytes += static_cast<char>(c);
    }
    // The blanks go; "!" applies to the quoted part "#$%&' (either quote closes), which is no
    // number.
    EXPECT_EQ(Evaluate(bytes), "Could not convert text \"#$%&\" to a number");
    // The upper half of the code page is a name like any other.
    EXPECT_EQ(Evaluate(bytes.substr(128)), Prefixed("Неизвестная переменная ") + bytes.substr(128));
    EXPECT_EQ(Evaluate(std::string("1\0+2", 4)), "");
    EXPECT_EQ(FormatValue(Last), "3");
    EXPECT_EQ(Evaluate("1+2"), ""); // still usable after failures
    EXPECT_EQ(FormatValue(Last), "3");
}

TEST_F(BadInput, OverlongFormulaIsRefused) {
    EXPECT_EQ(Evaluate(std::string(TEvaluation::kMaxFormulaLength + 1, '1')),
              Prefixed("Слишком длинная формула (более 16777216 байт)"));
}

} // namespace
