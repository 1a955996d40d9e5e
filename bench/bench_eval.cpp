// Speed of the conversion formulas the SNMP device evaluates for every received value: a
// scale factor and a bit test, each with a new evaluator as the device makes one per value.
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void EvaluateFilled(benchmark::State& state, const char* formula) {
    const std::string filled = ReplaceValuePlaceholder(formula, "250");
    std::string message;
    for (auto _ : state) {
        TEvaluation evaluation;
        TEvalValue value = evaluation.Evaluation(filled, message);
        benchmark::DoNotOptimize(value);
    }
    if (!message.empty()) {
        state.SkipWithError(message.c_str());
    }
}

// Placeholder replacement included, as the device does it for each value.
void ReplaceAndEvaluate(benchmark::State& state, const char* formula) {
    std::string message;
    for (auto _ : state) {
        TEvaluation evaluation;
        TEvalValue value = evaluation.Evaluation(ReplaceValuePlaceholder(formula, "250"), message);
        benchmark::DoNotOptimize(value);
    }
    if (!message.empty()) {
        state.SkipWithError(message.c_str());
    }
}

BENCHMARK_CAPTURE(EvaluateFilled, Scale, "%VALUE%*0.1");
BENCHMARK_CAPTURE(EvaluateFilled, BitTest, "iif(IsBitSet(%VALUE%,3),1,0)");
BENCHMARK_CAPTURE(ReplaceAndEvaluate, Scale, "%VALUE%*0.1");
BENCHMARK_CAPTURE(ReplaceAndEvaluate, BitTest, "iif(IsBitSet(%VALUE%,3),1,0)");

} // namespace

BENCHMARK_MAIN();
