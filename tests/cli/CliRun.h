// Runs the plinvar tool as a real process for the command-line tests: its status, standard
// output and standard error. Bounded by timeout(1), so a hang fails a test instead of stalling.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

struct TCliRun {
    int Status = -1; // -1 when the shell could not run it at all
    std::string Out;
    std::string Err;
};

inline std::string ShellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string ReadWholeTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// plinvar SUBCOMMAND ARGS..., with standard input empty.
inline TCliRun RunCli(const std::string& subcommand, const std::vector<std::string>& args) {
    const std::string base = ::testing::TempDir() + "plinvar_cli_" + std::to_string(::getpid()) +
                             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string command = "timeout 60 " + ShellQuote(PLINVAR_CLI) + " " + subcommand;
    for (const std::string& arg : args) {
        command += " " + ShellQuote(arg);
    }
    command += " >" + ShellQuote(base + ".out") + " 2>" + ShellQuote(base + ".err") +
               " </dev/null; echo $? >" + ShellQuote(base + ".rc");
    TCliRun run;
    if (std::system(command.c_str()) != 0) {
        return run;
    }
    run.Out = ReadWholeTextFile(base + ".out");
    run.Err = ReadWholeTextFile(base + ".err");
    run.Status = std::atoi(ReadWholeTextFile(base + ".rc").c_str());
    for (const char* suffix : {".out", ".err", ".rc"}) {
        std::remove((base + suffix).c_str());
    }
    return run;
}

// A fixture with a scratch directory of its own for the files a test hands to the tool.
class TCliFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = std::filesystem::temp_directory_path() /
              ("plinvar-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(Dir, error);
    }

    // Writes a file into the directory; returns its path.
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = (Dir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::filesystem::path Dir;
};
