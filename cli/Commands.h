// The subcommands of the plinvar tool. Each takes the arguments after its own name and
// returns the process exit status; each answers --help.
#pragma once

#include <string_view>

struct TCliCommand {
    std::string_view Name;    // first word on the command line ("eval", "block", ...)
    std::string_view Summary; // one line for the tool's own help
    int (*Run)(int argc, char** argv);
};

// The table lives in Main.cpp; a new subcommand adds one row there and one source file here.
