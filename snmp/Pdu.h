// SNMP PDUs and variable bindings (RFC 1157, RFC 3416) and the community-based message
// (SNMPv1, SNMPv2c). Values travel as text with their BER tag as the type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "snmp/Ber.h"

namespace snmp {

// Message version field values.
constexpr int32_t SnmpVersion1 = 0;
constexpr int32_t SnmpVersion2c = 1;
constexpr int32_t SnmpVersion3 = 3;

enum : uint8_t {
    PduGetRequest = 0xA0,
    PduGetNextRequest = 0xA1,
    PduResponse = 0xA2,
    PduSetRequest = 0xA3,
    PduTrapV1 = 0xA4,
    PduGetBulkRequest = 0xA5,
    PduInformRequest = 0xA6,
    PduTrapV2 = 0xA7,
    PduReport = 0xA8,
};

// One variable: OID text, value text, value type (a BER tag). Value texts: decimal for the
// integer types, the raw octets for OCTET STRING and Opaque, dotted text for OBJECT IDENTIFIER
// and IpAddress, empty for NULL and the SNMPv2 exceptions.
struct TVarBind {
    std::string Oid;
    std::string Value;
    uint8_t Type = TagNull;
};

struct TPdu {
    uint8_t Type = PduGetRequest;
    int32_t RequestId = 0;
    int32_t ErrorStatus = 0;
    int32_t ErrorIndex = 0;
    std::vector<TVarBind> VarBinds;
};

// Encodes a value of the given type from its text; false when the text does not fit the type.
bool EncodeValue(TBerWriter& writer, uint8_t type, std::string_view text);
// Decodes one value TLV into its text; false for a malformed value.
bool DecodeValue(uint8_t tag, std::string_view content, std::string& text);

bool EncodePdu(TBerWriter& writer, const TPdu& pdu);
bool DecodePdu(TBerCursor& cursor, TPdu& pdu);

// Community-based message: SEQUENCE { version, community, PDU }.
bool EncodeCommunityMessage(int32_t version, std::string_view community, const TPdu& pdu,
                            std::string& out);
// Peeks at the version of any SNMP message; false when the datagram does not start like one.
bool PeekMessageVersion(std::string_view datagram, int32_t& version);
bool DecodeCommunityMessage(std::string_view datagram, int32_t& version, std::string& community,
                            TPdu& pdu);

// The name snmpget prints for a value type ("INTEGER", "STRING", "Timeticks", ...).
std::string_view TypeName(uint8_t type);

} // namespace snmp
