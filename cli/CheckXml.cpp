// plinvar check-xml: reads an SNMP request configuration (Plinvar.xml) exactly as the driver
// does and shows its device types, requests and variables, or the loader's error text.
#include "core/eval/Evaluations.h"
#include "core/eval/ValuePlaceholder.h"
#include "core/snmpproto/OidTemplate.h"
#include "core/snmpproto/RequestConfiguration.h"
#include "platform/AnsiText.h"
#include "snmp/Oid.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

void PrintCheckXmlUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: plinvar check-xml FILE\n"
                 "\n"
                 "Reads FILE as the SNMP driver reads its request configuration (Plinvar.xml)\n"
                 "and prints its device types, their requests in polling order and the\n"
                 "variables of every request, or the loader's error text. Things the loader\n"
                 "accepts but a poll would fail on (a missing OID, a table without its size\n"
                 "variable, a row template that cannot take the row number, an expression\n"
                 "that fails for the value 1) are warnings.\n"
                 "Texts are shown in UTF-8.\n"
                 "\n"
                 "Exit status: 0 when the driver accepts the file, 1 when it refuses it (the\n"
                 "device types before the fault are listed: the driver still polls with them),\n"
                 "2 for wrong usage.\n");
}

std::string Utf8(std::string_view ansi) {
    return platform::AnsiToUtf8(ansi);
}

const char* KindName(uint8_t kind) {
    switch (kind) {
    case TSNMPRequestItem::KindOidsTable:
        return "oids_table";
    case TSNMPRequestItem::KindValuesTable:
        return "values_table";
    default:
        return "normal";
    }
}

class TChecker {
public:
    void Print(const TSNMPDeviceList& list) {
        for (int32_t d = 0; d < list.Count(); ++d) {
            const TSNMPDeviceUnit& unit = *list.Item(d);
            Where = "device type \"" + Utf8(unit.DeviceName) + "\"";
            std::printf("device type %d: \"%s\", %d request%s\n", int(d + 1),
                        Utf8(unit.DeviceName).c_str(), int(unit.Requests.Count()),
                        unit.Requests.Count() == 1 ? "" : "s");
            if (list.FindDeviceType(unit.DeviceName) != &unit) {
                Warn("another device type of this name comes first: its devices never get this "
                     "one");
            }
            for (int32_t r = 0; r < unit.Requests.Count(); ++r) {
                PrintRequest(r, *unit.Requests.Item(r), unit);
            }
        }
    }

    const std::vector<std::string>& Warnings() const { return FWarnings; }

private:
    void PrintRequest(int32_t index, const TSNMPRequestItem& request, const TSNMPDeviceUnit& unit) {
        Where =
            "device type \"" + Utf8(unit.DeviceName) + "\", request " + std::to_string(index + 1);
        std::printf("  request %d (step %d): %s", int(index + 1), int(index),
                    KindName(request.Kind));
        if (!request.OidCounter.empty()) {
            std::printf(", oid_counter %s", Utf8(request.OidCounter).c_str());
        }
        if (!request.OidMask.empty()) {
            std::printf(", oid_mask %s", Utf8(request.OidMask).c_str());
        }
        std::printf("\n");
        CheckRequest(request);
        for (int32_t v = 0; v < request.Items.Count(); ++v) {
            const TRequestItemStruct& variable = *request.Items.Item(v);
            std::printf("    variable %d: oid %s -> vx_address %d, defvalue \"%s\"", int(v + 1),
                        variable.Oid.empty() ? "(none)" : Utf8(variable.Oid).c_str(),
                        int(variable.TsAddress), Utf8(variable.DefValue).c_str());
            if (!variable.Expression.empty()) {
                std::printf(", expression \"%s\"", Utf8(variable.Expression).c_str());
            }
            if (!variable.Name.empty()) {
                std::printf(", name \"%s\"", Utf8(variable.Name).c_str());
            }
            std::printf("\n");
            CheckVariable(request, v, variable);
        }
    }

    void CheckRequest(const TSNMPRequestItem& request) {
        if (request.Kind == TSNMPRequestItem::KindNormal) {
            return;
        }
        if (request.OidCounter.empty()) {
            Warn("a table request without oid_counter always fails");
        } else {
            CheckOid("oid_counter", request.OidCounter);
        }
        if (request.Kind == TSNMPRequestItem::KindOidsTable) {
            if (request.OidMask.empty()) {
                Warn("an oids_table request without oid_mask fails whenever the table has rows");
            } else {
                CheckTemplate("oid_mask", request.OidMask);
            }
        }
    }

    void CheckVariable(const TSNMPRequestItem& request, int32_t index,
                       const TRequestItemStruct& variable) {
        const std::string what = "variable " + std::to_string(index + 1);
        if (!variable.Expression.empty() && request.Kind != TSNMPRequestItem::KindOidsTable) {
            CheckExpression(what, variable.Expression);
        }
        if (variable.Oid.empty()) {
            if (request.Kind != TSNMPRequestItem::KindOidsTable) {
                Warn(what + " has no oid: the request always fails");
            }
            return;
        }
        if (request.Kind == TSNMPRequestItem::KindValuesTable) {
            CheckTemplate(what, variable.Oid);
        } else {
            CheckOid(what, variable.Oid);
        }
    }

    // A formula that fails for a plain value fails for (nearly) every reading: each poll
    // would deliver the default value instead.
    void CheckExpression(const std::string& what, const std::string& expression) {
        TEvaluation evaluation;
        std::string message;
        const TEvalValue value =
            evaluation.Evaluation(ReplaceValuePlaceholder(expression, "1"), message);
        if (!message.empty()) {
            Warn(what + ": the expression fails for the value 1: " + Utf8(message));
        } else if (value.IsText()) {
            Warn(what + ": the expression gives a text, which is no tag value");
        }
    }

    void CheckOid(const std::string& what, const std::string& oid) {
        std::vector<uint32_t> components;
        if (!snmp::ParseOid(oid, components)) {
            Warn(what + ": \"" + Utf8(oid) + "\" is not an OID");
        }
    }

    void CheckTemplate(const std::string& what, const std::string& pattern) {
        std::string oid;
        if (!FormatOidTemplate(pattern, 1, oid)) {
            Warn(what + ": the template \"" + Utf8(pattern) + "\" cannot take the row number");
            return;
        }
        CheckOid(what + " (row 1)", oid);
    }

    void Warn(const std::string& text) { FWarnings.push_back(Where + ": " + text); }

    std::string Where;
    std::vector<std::string> FWarnings;
};

} // namespace

int RunCheckXml(int argc, char** argv) {
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            PrintCheckXmlUsage(stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "plinvar check-xml: unknown option '%s'\n\n", argv[i]);
            PrintCheckXmlUsage(stderr);
            return 2;
        }
        files.emplace_back(arg);
    }
    if (files.size() != 1) {
        PrintCheckXmlUsage(stderr);
        return 2;
    }
    const std::string& file = files.front();

    TSNMPDeviceList list;
    const bool accepted = ReadRequestFile(file, list);
    if (!accepted) {
        std::fprintf(stderr, "plinvar check-xml: %s is refused: %s\n", file.c_str(),
                     Utf8(list.LoadError).c_str());
        if (list.Count() == 0) {
            return 1;
        }
        std::printf("%s: refused after %d device type%s, which the driver still polls with\n",
                    file.c_str(), int(list.Count()), list.Count() == 1 ? "" : "s");
    } else {
        std::printf("%s: accepted, %d device type%s\n", file.c_str(), int(list.Count()),
                    list.Count() == 1 ? "" : "s");
    }
    TChecker checker;
    checker.Print(list);
    for (const std::string& warning : checker.Warnings()) {
        std::printf("warning: %s\n", warning.c_str());
    }
    return accepted ? 0 : 1;
}
