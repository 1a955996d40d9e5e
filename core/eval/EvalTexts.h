// The evaluator's own messages, in the code page, each converted once from its UTF-8 source.
// Callers put Prefix in front of every text here except ParenNotFound.
#pragma once

#include <string>

struct TEvalTexts {
    std::string Prefix;            // "TEvaluation:: "
    std::string MissingTerminator; // a quote or a square bracket not closed
    std::string SyntaxError;       // an operand missing
    std::string MissingParen;      // "(" without its ")"
    std::string ParenNotFound;     // argument list of a call not closed (never prefixed)
    std::string DivisionByZero;
    std::string UnknownFunction; // followed by the name
    std::string UnknownVariable; // followed by the name
    std::string Unfinished;      // text left after a complete formula
    std::string TooDeep;         // nesting beyond the evaluator's limit
    std::string TooLong;         // formula beyond the evaluator's limit
};

const TEvalTexts& EvalTexts();
