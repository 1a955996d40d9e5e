// plinvar eval, run as a real process: value and type on standard output with status 0,
// the evaluator's message on standard error with status 1, UTF-8 in and out.
#include "tests/cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TCliRun RunEval(const std::vector<std::string>& args) {
    return RunCli("eval", args);
}

TEST(EvalCli, PrintsTheValueWithItsType) {
    struct TCase {
        std::vector<std::string> Args;
        const char* Out;
    };
    const TCase cases[] = {
        {{"%VALUE%*0.1", "250"}, "25 (Double)\n"},
        {{"iif(IsBitSet(%value%,3),1,0)", "8"}, "1 (Integer)\n"},
        {{"1 + 2 * 3"}, "7 (Integer)\n"},
        {{"-2^2"}, "0 (Double)\n"},
        {{"'Уровень ' + %VALUE%", "'воды'"}, "Уровень воды (Text)\n"},
        {{"--", "--1"}, "1 (Integer)\n"},
        {{""}, "Null (Null)\n"},
    };
    for (const TCase& c : cases) {
        TCliRun run = RunEval(c.Args);
        EXPECT_EQ(run.Status, 0) << c.Args[0];
        EXPECT_EQ(run.Out, c.Out) << c.Args[0];
        EXPECT_EQ(run.Err, "") << c.Args[0];
    }
}

TEST(EvalCli, PrintsTheMessageAndFails) {
    TCliRun run = RunEval({"%value%/0", "7"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "TEvaluation:: Ошибка деления на ноль.\n");

    run = RunEval({"Max(1,5,2)"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "Too many parameters for method Max\n");

    // Without a value the placeholder stays and is an unknown name.
    run = RunEval({"%VALUE%+1"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "TEvaluation:: Неизвестная переменная %VALUE%\n");
}

TEST(EvalCli, HelpAndUsage) {
    TCliRun run = RunEval({"--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("usage: plinvar eval FORMULA [VALUE]"), std::string::npos);

    run = RunEval({});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("usage:"), std::string::npos);

    run = RunEval({"1", "2", "3"});
    EXPECT_EQ(run.Status, 2);
}

} // namespace
