// plinvar get: one SNMP GET with the driver's own client, with the options integrators know
// from snmpget, so a device's settings can be checked before they go into the configuration.
#include "snmp/Oid.h"
#include "snmp/SnmpClient.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void PrintGetUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: plinvar get [OPTIONS] HOST[:PORT] OID...\n"
                 "\n"
                 "Sends one GetRequest for the OIDs (dotted decimal, a leading dot allowed) and\n"
                 "prints one line per variable, \"OID = TYPE: value\". Exits with 0 on a reply,\n"
                 "1 when the exchange failed (the error and its code on standard error), 2 on\n"
                 "bad arguments.\n"
                 "\n"
                 "options:\n"
                 "  -v 1|2c|3      SNMP version (default 2c)\n"
                 "  -c COMMUNITY   community for v1 and v2c (default public)\n"
                 "  -u USER        SNMPv3 user name\n"
                 "  -l LEVEL       noAuthNoPriv, authNoPriv or authPriv (default noAuthNoPriv)\n"
                 "  -a MD5|SHA     authentication protocol (default MD5)\n"
                 "  -A PASSWORD    authentication password\n"
                 "  -x DES|3DES|AES privacy protocol (default DES)\n"
                 "  -X PASSWORD    privacy password\n"
                 "  -t SECONDS     time-out of each exchange (default 1, fractions allowed)\n"
                 "  -r RETRIES     resend after a time-out this many times (default 0)\n"
                 "  -h, --help     this text\n"
                 "\n"
                 "example:\n"
                 "  plinvar get -v 3 -u monitor -l authPriv -a SHA -A secret12 -x AES \\\n"
                 "      -X secret34 127.0.0.1:161 1.3.6.1.2.1.1.3.0\n");
}

bool Match(std::string_view text, std::string_view name) {
    if (text.size() != name.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        char a = text[i] >= 'a' && text[i] <= 'z' ? char(text[i] - 32) : text[i];
        char b = name[i] >= 'a' && name[i] <= 'z' ? char(name[i] - 32) : name[i];
        if (a != b) {
            return false;
        }
    }
    return true;
}

std::string FormatTimeTicks(const std::string& value) {
    unsigned long long ticks = std::strtoull(value.c_str(), nullptr, 10);
    unsigned long long days = ticks / 8640000;
    unsigned long long hours = ticks / 360000 % 24;
    unsigned long long minutes = ticks / 6000 % 60;
    unsigned long long seconds = ticks / 100 % 60;
    unsigned long long hundredths = ticks % 100;
    char text[96];
    if (days > 0) {
        std::snprintf(text, sizeof(text), "(%s) %llu day%s, %llu:%02llu:%02llu.%02llu",
                      value.c_str(), days, days == 1 ? "" : "s", hours, minutes, seconds,
                      hundredths);
    } else {
        std::snprintf(text, sizeof(text), "(%s) %llu:%02llu:%02llu.%02llu", value.c_str(), hours,
                      minutes, seconds, hundredths);
    }
    return text;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char c : bytes) {
        std::snprintf(digits, sizeof(digits), "%02X ", c);
        text += digits;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::string FormatVariable(const snmp::TVarBind& vb) {
    using namespace snmp;
    std::string line = vb.Oid + " = ";
    switch (vb.Type) {
    case TagNoSuchObject:
    case TagNoSuchInstance:
    case TagEndOfMibView:
        return line + std::string(TypeName(vb.Type));
    case TagNull:
        return line + "NULL";
    case TagOctetString: {
        bool printable = true;
        for (unsigned char c : vb.Value) {
            if (c < 32 && c != '\t' && c != '\r' && c != '\n') {
                printable = false;
            }
        }
        return line + (printable ? "STRING: \"" + vb.Value + "\"" : "Hex-STRING: " + Hex(vb.Value));
    }
    case TagOpaque:
        return line + "Opaque: " + Hex(vb.Value);
    case TagTimeTicks:
        return line + "Timeticks: " + FormatTimeTicks(vb.Value);
    default:
        return line + std::string(TypeName(vb.Type)) + ": " + vb.Value;
    }
}

const char* ErrorStatusName(int32_t status) {
    static const char* names[] = {"noError",
                                  "tooBig",
                                  "noSuchName",
                                  "badValue",
                                  "readOnly",
                                  "genErr",
                                  "noAccess",
                                  "wrongType",
                                  "wrongLength",
                                  "wrongEncoding",
                                  "wrongValue",
                                  "noCreation",
                                  "inconsistentValue",
                                  "resourceUnavailable",
                                  "commitFailed",
                                  "undoFailed",
                                  "authorizationError",
                                  "notWritable",
                                  "inconsistentName"};
    return status >= 0 && status < int32_t(sizeof(names) / sizeof(names[0])) ? names[status]
                                                                             : "unknown";
}

} // namespace

int RunGet(int argc, char** argv) {
    using namespace snmp;
    TSnmpClient client;
    TSnmpMessage& q = client.Query;
    q.Version = SnmpVersion2c;
    q.Community = "public";
    double timeoutSeconds = 1.0;
    long retries = 0;
    std::vector<std::string> positional;

    auto fail = [](const std::string& message) {
        std::fprintf(stderr, "plinvar get: %s (see plinvar get --help)\n", message.c_str());
        return 2;
    };
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintGetUsage(stdout);
            return 0;
        }
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            for (++i; i < argc; ++i) {
                positional.push_back(argv[i]);
            }
            break;
        }
        char option = arg[1];
        std::string value;
        if (arg.size() > 2) {
            value = arg.substr(2); // -v2c, -cpublic
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return fail("option " + arg + " needs a value");
        }
        switch (option) {
        case 'v':
            if (value == "1") {
                q.Version = SnmpVersion1;
            } else if (Match(value, "2c")) {
                q.Version = SnmpVersion2c;
            } else if (value == "3") {
                q.Version = SnmpVersion3;
            } else {
                return fail("unknown version '" + value + "'");
            }
            break;
        case 'c':
            q.Community = value;
            break;
        case 'u':
            q.UserName = value;
            break;
        case 'l':
            if (Match(value, "noAuthNoPriv")) {
                q.SecurityLevel = TSecurityLevel::NoAuthNoPriv;
            } else if (Match(value, "authNoPriv")) {
                q.SecurityLevel = TSecurityLevel::AuthNoPriv;
            } else if (Match(value, "authPriv")) {
                q.SecurityLevel = TSecurityLevel::AuthPriv;
            } else {
                return fail("unknown security level '" + value + "'");
            }
            break;
        case 'a':
            if (Match(value, "MD5")) {
                q.AuthProtocol = TAuthProtocol::Md5;
            } else if (Match(value, "SHA") || Match(value, "SHA1")) {
                q.AuthProtocol = TAuthProtocol::Sha1;
            } else {
                return fail("unknown authentication protocol '" + value + "'");
            }
            break;
        case 'A':
            q.AuthPassword = value;
            break;
        case 'x':
            if (Match(value, "DES")) {
                q.PrivProtocol = TPrivProtocol::Des;
            } else if (Match(value, "3DES")) {
                q.PrivProtocol = TPrivProtocol::TripleDes;
            } else if (Match(value, "AES") || Match(value, "AES128")) {
                q.PrivProtocol = TPrivProtocol::Aes128;
            } else {
                return fail("unknown privacy protocol '" + value + "'");
            }
            break;
        case 'X':
            q.PrivPassword = value;
            break;
        case 't': {
            char* end = nullptr;
            timeoutSeconds = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || !(timeoutSeconds > 0) ||
                timeoutSeconds > 3600) {
                return fail("bad time-out '" + value + "'");
            }
            break;
        }
        case 'r': {
            char* end = nullptr;
            retries = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || retries < 0 || retries > 100) {
                return fail("bad retry count '" + value + "'");
            }
            break;
        }
        default:
            return fail("unknown option " + arg);
        }
    }
    if (positional.size() < 2) {
        return fail("a host and at least one OID are needed");
    }
    std::string host = positional[0];
    std::string port = "161";
    if (host.rfind("udp:", 0) == 0) {
        host.erase(0, 4);
    }
    size_t colon = host.rfind(':');
    if (colon != std::string::npos) {
        port = host.substr(colon + 1);
        host.erase(colon);
    }
    client.TargetHost = host;
    client.TargetPort = port;
    client.Timeout = uint32_t(timeoutSeconds * 1000 + 0.5);
    if (client.Timeout == 0) {
        client.Timeout = 1;
    }
    for (size_t i = 1; i < positional.size(); ++i) {
        std::string oid;
        if (!NormaliseOid(positional[i], oid)) {
            return fail("'" + positional[i] + "' is not an OID");
        }
        q.AddVariable(oid, "");
    }

    bool ok = client.SendRequest();
    for (long attempt = 0; !ok && client.ErrorCode() == ErrorTimedOut && attempt < retries;
         ++attempt) {
        ok = client.SendRequest();
    }
    if (!ok) {
        std::fprintf(stderr, "plinvar get: %s:%s: %s (code %d)\n", host.c_str(), port.c_str(),
                     client.ErrorText().c_str(), int(client.ErrorCode()));
        return 1;
    }
    const TPdu& reply = client.Reply.Pdu;
    if (reply.ErrorStatus != 0) {
        std::string failed;
        if (reply.ErrorIndex > 0 && size_t(reply.ErrorIndex) <= q.Pdu.VarBinds.size()) {
            failed = q.Pdu.VarBinds[size_t(reply.ErrorIndex) - 1].Oid;
        }
        std::fprintf(stderr, "plinvar get: error in reply: %s (%d), index %d%s%s\n",
                     ErrorStatusName(reply.ErrorStatus), int(reply.ErrorStatus),
                     int(reply.ErrorIndex), failed.empty() ? "" : ", failed object ",
                     failed.c_str());
        return 1;
    }
    for (const TVarBind& vb : reply.VarBinds) {
        std::printf("%s\n", FormatVariable(vb).c_str());
    }
    return 0;
}
