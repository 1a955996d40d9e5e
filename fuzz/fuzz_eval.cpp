// libFuzzer target for the formula evaluator: any bytes, as a formula and with the value
// placeholder filled in, must give a value or a message, never a crash or a hang.
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(TEvaluation& evaluation, const std::string& formula) {
    std::string message;
    TEvalValue value = evaluation.Evaluation(formula, message);
    if (!message.empty() && !value.IsNull()) {
        __builtin_trap(); // a failure always comes with a Null result
    }
    std::string shown = FormatValue(value);
    if (shown.empty() && value.Kind() != TValueKind::Text) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string formula(reinterpret_cast<const char*>(data), size);
    TEvaluation shortCircuit;
    Check(shortCircuit, formula);
    TEvaluation plain(false);
    Check(plain, formula);
    if (formula.find('%') != std::string::npos) {
        Check(shortCircuit, ReplaceValuePlaceholder(formula, "-40000"));
    }
    return 0;
}
