// plinvar: the integrator's command-line tool. Dispatches to one subcommand per first word.
#include "cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <iterator>

int RunEval(int argc, char** argv);
int RunGet(int argc, char** argv);
int RunBlock(int argc, char** argv);
int RunCheckConfig(int argc, char** argv);
int RunCheckXml(int argc, char** argv);

namespace {

const TCliCommand Commands[] = {
    {"help", "list the subcommands", nullptr},
    {"eval", "evaluate a conversion formula, optionally with %VALUE%", RunEval},
    {"block", "dump the shared block of the running driver (block dump --help)", RunBlock},
    {"get", "send one SNMP GET with the driver's client (snmpget options)", RunGet},
    {"check-config", "read a driver configuration file (Plinvar.cfg) as the driver does",
     RunCheckConfig},
    {"check-xml", "read an SNMP request configuration (Plinvar.xml) as the driver does",
     RunCheckXml},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: plinvar COMMAND [ARGS...]   (plinvar COMMAND --help for details)\n\n");
    for (const auto& command : Commands) {
        std::fprintf(out, "  %-14.*s %.*s\n", int(command.Name.size()), command.Name.data(),
                     int(command.Summary.size()), command.Summary.data());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 ||
        std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto& command : Commands) {
        if (command.Run != nullptr && command.Name == argv[1]) {
            return command.Run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "plinvar: unknown command '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
