// PDU and community message encoding and decoding.
#include "snmp/Pdu.h"

#include <charconv>

#include "snmp/Oid.h"

namespace snmp {

namespace {

template <typename T> void AssignNumber(std::string& text, T value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    text.assign(buffer, size_t(result.ptr - buffer));
}

template <typename T> bool ParseNumber(std::string_view text, T& value) {
    if (text.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseIpAddress(std::string_view text, std::string& octets) {
    octets.clear();
    for (int part = 0; part < 4; ++part) {
        size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) {
            return false;
        }
        unsigned value = 0;
        if (!ParseNumber(text.substr(0, dot), value) || value > 255) {
            return false;
        }
        octets.push_back(char(value));
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return text.empty();
}

} // namespace

bool EncodeValue(TBerWriter& writer, uint8_t type, std::string_view text) {
    switch (type) {
    case TagInteger: {
        int32_t v = 0;
        if (!ParseNumber(text, v)) {
            return false;
        }
        writer.WriteInteger(v);
        return true;
    }
    case TagCounter32:
    case TagGauge32:
    case TagTimeTicks: {
        uint32_t v = 0;
        if (!ParseNumber(text, v)) {
            return false;
        }
        writer.WriteUnsigned(v, type);
        return true;
    }
    case TagCounter64: {
        uint64_t v = 0;
        if (!ParseNumber(text, v)) {
            return false;
        }
        writer.WriteUnsigned(v, type);
        return true;
    }
    case TagOctetString:
    case TagOpaque:
        writer.WriteOctets(text, type);
        return true;
    case TagObjectId:
        return writer.WriteOid(text);
    case TagIpAddress: {
        std::string octets;
        if (!ParseIpAddress(text, octets)) {
            return false;
        }
        writer.WriteOctets(octets, TagIpAddress);
        return true;
    }
    case TagNull:
    case TagNoSuchObject:
    case TagNoSuchInstance:
    case TagEndOfMibView:
        writer.WriteNull(type);
        return true;
    default:
        return false;
    }
}

bool DecodeValue(uint8_t tag, std::string_view content, std::string& text) {
    text.clear();
    switch (tag) {
    case TagInteger: {
        int64_t v = 0;
        if (!DecodeSigned(content, v)) {
            return false;
        }
        AssignNumber(text, v);
        return true;
    }
    case TagCounter32:
    case TagGauge32:
    case TagTimeTicks: {
        // Some agents encode large counters as negative numbers; the low 32 bits are the value.
        int64_t v = 0;
        if (!DecodeSigned(content, v)) {
            uint64_t u = 0;
            if (!DecodeUnsigned(content, u)) {
                return false;
            }
            v = int64_t(u);
        }
        AssignNumber(text, uint32_t(uint64_t(v)));
        return true;
    }
    case TagCounter64: {
        uint64_t v = 0;
        if (!DecodeUnsigned(content, v)) {
            return false;
        }
        AssignNumber(text, v);
        return true;
    }
    case TagObjectId:
        return DecodeOidContent(content, text);
    case TagIpAddress:
        if (content.size() != 4) {
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            if (i != 0) {
                text.push_back('.');
            }
            text += std::to_string(uint8_t(content[i]));
        }
        return true;
    case TagNull:
    case TagNoSuchObject:
    case TagNoSuchInstance:
    case TagEndOfMibView:
        return content.empty();
    default:
        // OCTET STRING, Opaque and types this client has no text form for: the raw octets.
        text.assign(content);
        return true;
    }
}

bool EncodePdu(TBerWriter& writer, const TPdu& pdu) {
    size_t pduMark = writer.Begin(pdu.Type);
    writer.WriteInteger(pdu.RequestId);
    writer.WriteInteger(pdu.ErrorStatus);
    writer.WriteInteger(pdu.ErrorIndex);
    size_t listMark = writer.Begin(TagSequence);
    for (const TVarBind& vb : pdu.VarBinds) {
        size_t vbMark = writer.Begin(TagSequence);
        if (!writer.WriteOid(vb.Oid) || !EncodeValue(writer, vb.Type, vb.Value)) {
            return false;
        }
        writer.End(vbMark);
    }
    writer.End(listMark);
    writer.End(pduMark);
    return true;
}

bool DecodePdu(TBerCursor& cursor, TPdu& pdu) {
    uint8_t tag = 0;
    if (!cursor.PeekTag(tag) || (tag & 0xE0) != 0xA0 || tag == PduTrapV1) {
        return false;
    }
    TBerCursor body;
    TBerCursor list;
    if (!cursor.Enter(tag, body) || !body.ReadInt32(pdu.RequestId) ||
        !body.ReadInt32(pdu.ErrorStatus) || !body.ReadInt32(pdu.ErrorIndex) ||
        !body.Enter(TagSequence, list)) {
        return false;
    }
    pdu.Type = tag;
    // The variables already in the list are overwritten in place, so a client that decodes
    // reply after reply reuses their storage.
    size_t count = 0;
    while (!list.AtEnd()) {
        if (count == pdu.VarBinds.size()) {
            pdu.VarBinds.emplace_back();
        }
        TVarBind& vb = pdu.VarBinds[count++];
        TBerCursor item;
        std::string_view content;
        if (!list.Enter(TagSequence, item) || !item.ReadOid(vb.Oid) ||
            !item.ReadTlv(vb.Type, content) || !item.AtEnd() ||
            !DecodeValue(vb.Type, content, vb.Value)) {
            pdu.VarBinds.resize(count - 1);
            return false;
        }
    }
    pdu.VarBinds.resize(count);
    return true;
}

bool EncodeCommunityMessage(int32_t version, std::string_view community, const TPdu& pdu,
                            std::string& out) {
    out.clear();
    TBerWriter writer(out);
    size_t mark = writer.Begin(TagSequence);
    writer.WriteInteger(version);
    writer.WriteOctets(community);
    if (!EncodePdu(writer, pdu)) {
        out.clear();
        return false;
    }
    writer.End(mark);
    return true;
}

bool PeekMessageVersion(std::string_view datagram, int32_t& version) {
    TBerCursor cursor(datagram);
    TBerCursor message;
    return cursor.Enter(TagSequence, message) && message.ReadInt32(version);
}

bool DecodeCommunityMessage(std::string_view datagram, int32_t& version, std::string& community,
                            TPdu& pdu) {
    TBerCursor cursor(datagram);
    TBerCursor message;
    std::string_view name;
    if (!cursor.Enter(TagSequence, message) || !message.ReadInt32(version) ||
        (version != SnmpVersion1 && version != SnmpVersion2c) || !message.ReadOctets(name) ||
        !DecodePdu(message, pdu) || !message.AtEnd() || !cursor.AtEnd()) {
        return false;
    }
    community.assign(name);
    return true;
}

std::string_view TypeName(uint8_t type) {
    switch (type) {
    case TagInteger:
        return "INTEGER";
    case TagOctetString:
        return "STRING";
    case TagNull:
        return "NULL";
    case TagObjectId:
        return "OID";
    case TagIpAddress:
        return "IpAddress";
    case TagCounter32:
        return "Counter32";
    case TagGauge32:
        return "Gauge32";
    case TagTimeTicks:
        return "Timeticks";
    case TagOpaque:
        return "Opaque";
    case TagCounter64:
        return "Counter64";
    case TagNoSuchObject:
        return "No Such Object available on this agent at this OID";
    case TagNoSuchInstance:
        return "No Such Instance currently exists at this OID";
    case TagEndOfMibView:
        return "No more variables left in this MIB View";
    default:
        return "Unknown";
    }
}

} // namespace snmp
