// The SNMPv3 message (RFC 3412) with user-based security parameters (RFC 3414):
// encoding with a placeholder for the digest, decoding that locates it again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "snmp/Pdu.h"

namespace snmp {

enum : uint8_t { FlagAuth = 0x01, FlagPriv = 0x02, FlagReportable = 0x04 };
constexpr int32_t SecurityModelUsm = 3;
constexpr int32_t MaxMessageSize = 65507;

struct TUsmParameters {
    std::string EngineId;
    int32_t Boots = 0;
    int32_t Time = 0;
    std::string UserName;
    std::string AuthParameters;
    std::string PrivParameters;
};

struct TV3Message {
    int32_t MessageId = 0;
    int32_t MaxSize = MaxMessageSize;
    uint8_t Flags = 0;
    int32_t SecurityModel = SecurityModelUsm;
    TUsmParameters Usm;
    // Exactly one of these is the message's data: the encrypted scoped PDU (with FlagPriv),
    // or the plain scoped PDU's encoding.
    std::string_view EncryptedPdu;
    std::string_view ScopedPdu;
    // Offset of the authentication parameters' content in the datagram (for the digest).
    size_t AuthOffset = 0;
};

// Encodes the scoped PDU: SEQUENCE { contextEngineID, contextName, PDU }.
bool EncodeScopedPdu(std::string_view contextEngineId, std::string_view contextName,
                     const TPdu& pdu, std::string& out);
bool DecodeScopedPdu(std::string_view bytes, std::string& contextEngineId, std::string& contextName,
                     TPdu& pdu);

// Encodes a whole message. data is the encrypted PDU (FlagPriv) or the scoped PDU encoding.
// With FlagAuth the authentication parameters are written as zeros and authOffset tells
// where the digest goes.
void EncodeV3Message(const TV3Message& header, std::string_view data, std::string& out,
                     size_t& authOffset);
// Decodes the header and security parameters; the PDU stays as bytes in the message.
bool DecodeV3Message(std::string_view datagram, TV3Message& message);

} // namespace snmp
