// A small SNMP agent of our own on 127.0.0.1 for tests: answers GETs (v1, v2c, v3 with one USM
// user) from a table, and misbehaves on purpose when the first variable asks for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "snmp/SnmpClient.h"

namespace snmptest {

// OIDs that make the agent misbehave when they are the first variable of a request.
namespace misbehave {
inline constexpr const char* NoAnswer = "1.3.6.1.4.1.99999.9.1.0";
inline constexpr const char* LateAnswer = "1.3.6.1.4.1.99999.9.2.0"; // after LateMs
inline constexpr const char* WrongRequestId = "1.3.6.1.4.1.99999.9.3.0";
inline constexpr const char* OtherPort = "1.3.6.1.4.1.99999.9.4.0"; // reply from another socket
inline constexpr const char* Truncated = "1.3.6.1.4.1.99999.9.5.0";
inline constexpr const char* Malformed = "1.3.6.1.4.1.99999.9.6.0";
inline constexpr const char* WrongEngineTime = "1.3.6.1.4.1.99999.9.7.0";   // v3: time far behind
inline constexpr const char* UnknownUserReport = "1.3.6.1.4.1.99999.9.8.0"; // v3
inline constexpr const char* ResyncOnce = "1.3.6.1.4.1.99999.9.9.0";   // v3: notInTimeWindow first
inline constexpr const char* WrongDigest = "1.3.6.1.4.1.99999.9.10.0"; // v3: response, bad digest
} // namespace misbehave

struct TTestAgentUser {
    std::string Name = "agentuser";
    snmp::TSecurityLevel Level = snmp::TSecurityLevel::AuthPriv;
    snmp::TAuthProtocol Auth = snmp::TAuthProtocol::Sha1;
    std::string AuthPassword = "agentauthpass";
    snmp::TPrivProtocol Priv = snmp::TPrivProtocol::Aes128;
    std::string PrivPassword = "agentprivpass";
};

class TTestAgent {
public:
    TTestAgent();
    ~TTestAgent();
    TTestAgent(const TTestAgent&) = delete;
    TTestAgent& operator=(const TTestAgent&) = delete;

    // Binds 127.0.0.1 on a free port and starts answering on a thread of its own.
    bool Start(const TTestAgentUser& user = TTestAgentUser());
    void Stop();

    uint16_t Port() const { return PortNumber; }
    std::string PortText() const { return std::to_string(PortNumber); }

    // Value returned for an OID (any other OID gets noSuchObject, or noSuchName in v1).
    void SetValue(const std::string& oid, uint8_t type, const std::string& value);

    std::string Community = "public";
    std::string EngineId = std::string("\x80\x00\x1f\x88\x04", 5) + "plinvar-agent";
    int32_t EngineBoots = 1;
    uint32_t LateMs = 400;
    std::atomic<int> Requests{0};

private:
    void Run();
    void Handle(const std::string& datagram, const void* peer);
    bool HandleCommunity(const std::string& datagram, std::string& reply, std::string& first,
                         int32_t& requestId);
    bool HandleV3(const std::string& datagram, std::string& reply, std::string& first);
    void Answer(snmp::TPdu& pdu);
    int32_t EngineTime() const;

    int Socket = -1;
    int OtherSocket = -1;
    uint16_t PortNumber = 0;
    std::thread Thread;
    std::atomic<bool> Stopping{false};
    std::mutex Lock;
    std::map<std::string, std::pair<uint8_t, std::string>> Values;
    TTestAgentUser User;
    std::string AuthKey;
    std::string PrivKey;
    uint64_t Salt = 1;
    std::chrono::steady_clock::time_point Started;
    bool ResyncSent = false;
};

} // namespace snmptest
