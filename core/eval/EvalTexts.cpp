// The evaluator's messages. These are the texts users see in terminal lines and logs, so
// they stay exactly as the driver has always written them.
#include "core/eval/EvalTexts.h"

#include "core/eval/Evaluations.h"
#include "platform/AnsiText.h"

#include <string>

const TEvalTexts& EvalTexts() {
    static const TEvalTexts texts = [] {
        using platform::Utf8ToAnsi;
        TEvalTexts t;
        t.Prefix = "TEvaluation:: ";
        t.MissingTerminator = Utf8ToAnsi("Отсутствует завершающий символ в константе.");
        t.SyntaxError = Utf8ToAnsi("Синтаксическая ошибка.");
        t.MissingParen = Utf8ToAnsi(") отсутствует");
        t.ParenNotFound = Utf8ToAnsi(") не найдена");
        t.DivisionByZero = Utf8ToAnsi("Ошибка деления на ноль.");
        t.UnknownFunction = Utf8ToAnsi("Неизвестная функция ");
        t.UnknownVariable = Utf8ToAnsi("Неизвестная переменная ");
        t.Unfinished = Utf8ToAnsi("Незавершенная формула");
        t.TooDeep = Utf8ToAnsi("Слишком глубокая вложенность формулы (более " +
                               std::to_string(TEvaluation::kMaxNesting) + " уровней)");
        t.TooLong = Utf8ToAnsi("Слишком длинная формула (более " +
                               std::to_string(TEvaluation::kMaxFormulaLength) + " байт)");
        return t;
    }();
    return texts;
}
