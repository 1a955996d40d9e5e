// Error codes of an SNMP exchange, as the client reports them after a failed send.
// Socket failures use the Windows socket codes the driver's logs have always shown.
#pragma once

#include <cstdint>
#include <string>

namespace snmp {

enum : int32_t {
    // The query was not sent (bad OID, bad value, unknown host) or the reply was not decodable.
    ErrorNotSentOrUndecodable = 0,
    ErrorNetworkUnreachable = 10051, // WSAENETUNREACH
    ErrorConnectionReset = 10054,    // WSAECONNRESET
    ErrorTimedOut = 10060,           // WSAETIMEDOUT: no reply within the time-out
    ErrorHostUnreachable = 10065,    // WSAEHOSTUNREACH
    ErrorSocket = 10050,             // WSAENETDOWN: any other socket failure
    // SNMPv3 user-based security, codes of this client.
    ErrorUnknownUser = 20001,              // usmStatsUnknownUserNames
    ErrorAuthenticationFailed = 20002,     // usmStatsWrongDigests, or a reply that failed its check
    ErrorUnsupportedSecurityLevel = 20003, // usmStatsUnsupportedSecLevels
    ErrorNotInTimeWindow = 20004,          // usmStatsNotInTimeWindows after a resynchronisation
    ErrorUnknownEngineId = 20005,          // discovery did not give an engine id the agent takes
    ErrorDecryption = 20006,               // usmStatsDecryptionErrors, or a reply we cannot decrypt
    ErrorReport = 20007,                   // any other report from the agent
    ErrorCrypto = 20008,                   // the local cryptographic library failed
};

// A short English description for logs and the command-line tool.
std::string ErrorCodeText(int32_t code);

} // namespace snmp
