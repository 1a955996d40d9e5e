// plinvar eval: evaluates a conversion formula the way the SNMP device does, so an integrator
// can try a formula and a received value before putting them into the request configuration.
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"
#include "platform/AnsiText.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

void PrintEvalUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: plinvar eval FORMULA [VALUE]\n"
                 "\n"
                 "Evaluates FORMULA with the driver's evaluator. When VALUE is given, every\n"
                 "%%VALUE%% in FORMULA (any letter case) is first replaced by it, as the SNMP\n"
                 "device does with the number it received (the device writes that number in\n"
                 "general format, without a fraction for whole numbers, from a single-precision\n"
                 "value, so a number above 16777216 may arrive rounded).\n"
                 "\n"
                 "Prints the value and its type, such as \"25 (Double)\", and exits with 0; or\n"
                 "prints the evaluator's message to standard error and exits with 1.\n"
                 "Arguments and output are UTF-8. Use -- before a FORMULA that starts with --.\n"
                 "\n"
                 "examples:\n"
                 "  plinvar eval '%%VALUE%%*0.1' 250          25 (Double)\n"
                 "  plinvar eval 'iif(IsBitSet(%%VALUE%%,3),1,0)' 8   1 (Integer)\n");
}

} // namespace

int RunEval(int argc, char** argv) {
    std::vector<std::string_view> positional;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            PrintEvalUsage(stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 2 && arg.substr(0, 2) == "--") {
            std::fprintf(stderr, "plinvar eval: unknown option '%s'\n\n", argv[i]);
            PrintEvalUsage(stderr);
            return 2;
        }
        positional.push_back(arg);
    }
    if (positional.empty() || positional.size() > 2) {
        PrintEvalUsage(stderr);
        return 2;
    }

    std::string formula = platform::Utf8ToAnsi(positional[0]);
    if (positional.size() == 2) {
        formula = ReplaceValuePlaceholder(formula, platform::Utf8ToAnsi(positional[1]));
    }

    TEvaluation evaluation;
    std::string message;
    TEvalValue value = evaluation.Evaluation(formula, message);
    if (!message.empty()) {
        std::fprintf(stderr, "%s\n", platform::AnsiToUtf8(message).c_str());
        return 1;
    }
    std::string shown = platform::AnsiToUtf8(FormatValue(value));
    std::string_view kind = ValueKindName(value.Kind());
    std::fwrite(shown.data(), 1, shown.size(), stdout); // a text may hold any byte
    std::fprintf(stdout, " (%.*s)\n", int(kind.size()), kind.data());
    return 0;
}
