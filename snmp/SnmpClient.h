// The SNMP client the driver polls with: a query message, a reply message, one blocking
// exchange over UDP. SNMPv1, SNMPv2c and SNMPv3 with the user-based security model.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/Errors.h"
#include "snmp/Pdu.h"
#include "snmp/Transport.h"

namespace snmp {

// Codes as the device settings store them.
enum class TSecurityLevel : uint8_t { NoAuthNoPriv = 0, AuthNoPriv = 1, AuthPriv = 2 };
enum class TAuthProtocol : uint8_t { Md5 = 0, Sha1 = 1 };
enum class TPrivProtocol : uint8_t { Des = 0, TripleDes = 1, Aes128 = 2 };

// A query or a reply. The security fields are set on the query; the reply carries what came
// back (for SNMPv3 its user name and flags as received).
struct TSnmpMessage {
    int32_t Version = SnmpVersion1;
    std::string Community;
    std::string UserName;
    std::string AuthPassword;
    std::string PrivPassword;
    TSecurityLevel SecurityLevel = TSecurityLevel::NoAuthNoPriv;
    TAuthProtocol AuthProtocol = TAuthProtocol::Md5;
    TPrivProtocol PrivProtocol = TPrivProtocol::Des;
    std::string ContextName;
    TPdu Pdu;

    // Back to the state of a new message; the variable list keeps its storage.
    void Clear();
    void AddVariable(std::string_view oid, std::string_view value, uint8_t type = TagNull) {
        Pdu.VarBinds.push_back({std::string(oid), std::string(value), type});
    }
    // The first variable whose OID text equals the given text exactly; null when none.
    const TVarBind* FindVariable(std::string_view oid) const;
};

struct TUsmState; // what the client learned about the agent's engine and the keys; SnmpV3.cpp

class TSnmpClient {
public:
    TSnmpClient();
    explicit TSnmpClient(std::unique_ptr<TTransport> transport);
    ~TSnmpClient();
    TSnmpClient(const TSnmpClient&) = delete;
    TSnmpClient& operator=(const TSnmpClient&) = delete;

    TSnmpMessage Query;
    TSnmpMessage Reply;
    std::string TargetHost = "127.0.0.1";
    std::string TargetPort = "161";
    uint32_t Timeout = 5000; // ms, for each datagram exchange

    // Sends the query and waits for its reply; true when a reply arrived and decoded. For
    // SNMPv3 the agent's engine is discovered first (once) and the keys localised (once).
    bool SendRequest();

    // After a false result: the code of snmp/Errors.h (10060 when nothing answered in time).
    int32_t ErrorCode() const { return LastError; }
    // A description of the last failure, with detail where the code alone says little.
    const std::string& ErrorText() const { return LastErrorText; }

    // How often a password was turned into a localised key (the costly step of SNMPv3).
    uint64_t KeyLocalisations() const;
    // The agent's engine as last learned (empty before the first SNMPv3 exchange).
    std::string EngineId() const;
    int32_t EngineBoots() const;

private:
    // What an exchange does with a datagram from the target.
    enum class TVerdict { Accept, Drop, Fail };
    struct TJudgement {
        TVerdict Verdict = TVerdict::Drop;
        std::optional<int32_t> Code; // the failure, or why a dropped datagram was refused
    };
    // A borrowed reference to a judge callable, so the exchange loop needs no allocation.
    struct TJudgeRef {
        void* Object;
        TJudgement (*Call)(void*, std::string_view);
        template <typename F>
        TJudgeRef(F& f)
            : Object(&f),
              Call([](void* o, std::string_view d) { return (*static_cast<F*>(o))(d); }) {}
    };
    // -1 when the judge accepted a datagram, else the error code.
    int32_t Exchange(std::string_view request, TJudgeRef judge);

    bool SendCommunity();
    bool SendV3();
    bool Discover();
    bool PrepareKeys();
    bool Fail(int32_t code, std::string text = {});
    int32_t NextRequestId();

    std::unique_ptr<TTransport> Transport;
    std::unique_ptr<TUsmState> Usm;
    TEndpoint Target;
    std::string ResolvedHost; // the target as last resolved (names are looked up once)
    std::string ResolvedPort;
    std::string SendBuffer;
    std::vector<uint8_t> ReceiveBuffer;
    int32_t RequestCounter = 0;
    int32_t LastError = 0;
    std::string LastErrorText;
};

} // namespace snmp
