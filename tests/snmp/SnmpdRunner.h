// Runs a private net-snmp snmpd on 127.0.0.1 and a free port for tests, and Debian's snmpget
// as the reference client. Every instance is stopped by its owner (destructor or Stop).
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace snmptest {

struct TSnmpdUser {
    std::string Name;
    std::string Auth; // "", "MD5" or "SHA"
    std::string AuthPassword;
    std::string Priv; // "", "DES" or "AES"
    std::string PrivPassword;
};

struct TSnmpdConfig {
    std::string Community = "public";
    std::vector<TSnmpdUser> Users;
    std::vector<std::string> ExtraLines; // e.g. "override .1.3.6.1.4.1.99999.1.1.0 integer 42"
    std::string EngineId;                // fixed engine id text; empty lets snmpd pick one
};

// The configuration most tests use: community "public", one user per security level, and
// fixed values under 1.3.6.1.4.1.99999.1 (see FixedOids).
TSnmpdConfig StandardSnmpdConfig();

struct TFixedOid {
    const char* Oid;
    const char* SnmpdType;
    const char* Value;
};
const std::vector<TFixedOid>& FixedOids();

class TSnmpdRunner {
public:
    TSnmpdRunner() = default;
    ~TSnmpdRunner();
    TSnmpdRunner(const TSnmpdRunner&) = delete;
    TSnmpdRunner& operator=(const TSnmpdRunner&) = delete;

    // Picks a free port, writes the configuration and starts snmpd; true once it answers.
    bool Start(const TSnmpdConfig& config);
    // Stops the agent (SIGTERM, then SIGKILL after a bounded wait).
    void Stop();
    // Stops and starts again on the same port with the same configuration. Without a fixed
    // engine id the restarted agent has a new engine id (saved state is never read back).
    bool Restart();

    uint16_t Port() const { return PortNumber; }
    std::string PortText() const { return std::to_string(PortNumber); }
    pid_t Pid() const { return Child; }
    const std::string& Directory() const { return Dir; }
    std::string Log() const;

private:
    bool Launch();
    TSnmpdConfig Config;
    std::string Dir;
    uint16_t PortNumber = 0;
    pid_t Child = -1;
};

// Runs snmpget with the arguments (after the fixed -On -Oqv -Ot -Oe and MIBS=:), bounded in
// time; the value lines normalised to the client's text (quotes and leading dots dropped).
// False when snmpget failed.
bool RunSnmpGet(const std::vector<std::string>& args, std::vector<std::string>& values,
                std::string* output = nullptr);

// Runs a program with arguments and extra environment, capturing stdout and stderr together;
// the exit status, or -1 when it could not start or was killed after timeoutMs.
int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               std::string& output, uint32_t timeoutMs);

// A UDP port that was free a moment ago (bound to port 0 on 127.0.0.1 and read back).
uint16_t FreeUdpPort();

} // namespace snmptest
