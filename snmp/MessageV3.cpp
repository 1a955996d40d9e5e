// SNMPv3 message layout.
#include "snmp/MessageV3.h"

#include "snmp/Usm.h"

namespace snmp {

bool EncodeScopedPdu(std::string_view contextEngineId, std::string_view contextName,
                     const TPdu& pdu, std::string& out) {
    out.clear();
    TBerWriter writer(out);
    size_t mark = writer.Begin(TagSequence);
    writer.WriteOctets(contextEngineId);
    writer.WriteOctets(contextName);
    if (!EncodePdu(writer, pdu)) {
        out.clear();
        return false;
    }
    writer.End(mark);
    return true;
}

bool DecodeScopedPdu(std::string_view bytes, std::string& contextEngineId, std::string& contextName,
                     TPdu& pdu) {
    TBerCursor cursor(bytes);
    TBerCursor scoped;
    std::string_view engine;
    std::string_view name;
    // Decrypted CBC data may end in padding after the scoped PDU: only the SEQUENCE counts.
    if (!cursor.Enter(TagSequence, scoped) || !scoped.ReadOctets(engine) ||
        !scoped.ReadOctets(name) || !DecodePdu(scoped, pdu) || !scoped.AtEnd()) {
        return false;
    }
    contextEngineId.assign(engine);
    contextName.assign(name);
    return true;
}

void EncodeV3Message(const TV3Message& header, std::string_view data, std::string& out,
                     size_t& authOffset) {
    out.clear();
    TBerWriter writer(out);
    size_t message = writer.Begin(TagSequence);
    writer.WriteInteger(SnmpVersion3);
    size_t global = writer.Begin(TagSequence);
    writer.WriteInteger(header.MessageId);
    writer.WriteInteger(header.MaxSize);
    writer.WriteOctets(std::string_view(reinterpret_cast<const char*>(&header.Flags), 1));
    writer.WriteInteger(header.SecurityModel);
    writer.End(global);

    // The security parameters are an OCTET STRING holding their own BER encoding.
    std::string security;
    TBerWriter usm(security);
    size_t params = usm.Begin(TagSequence);
    usm.WriteOctets(header.Usm.EngineId);
    usm.WriteInteger(header.Usm.Boots);
    usm.WriteInteger(header.Usm.Time);
    usm.WriteOctets(header.Usm.UserName);
    size_t authInSecurity = 0;
    if (header.Flags & FlagAuth) {
        usm.WriteOctets(std::string(AuthParametersSize, '\0'));
        authInSecurity = security.size() - AuthParametersSize;
    } else {
        usm.WriteOctets({});
    }
    usm.WriteOctets(header.Usm.PrivParameters);
    usm.End(params);
    // Where the security parameters content lands decides the digest's offset; the outer
    // lengths written by End can shift it, so it is computed after the message is closed.
    writer.WriteOctets(security);
    size_t securityEnd = out.size();
    if (header.Flags & FlagPriv) {
        writer.WriteOctets(data);
    } else {
        writer.WriteRaw(data);
    }
    size_t tailAfterSecurity = out.size() - securityEnd;
    writer.End(message);
    size_t securityStart = out.size() - tailAfterSecurity - security.size();
    authOffset = (header.Flags & FlagAuth) ? securityStart + authInSecurity : 0;
}

bool DecodeV3Message(std::string_view datagram, TV3Message& message) {
    TBerCursor cursor(datagram);
    TBerCursor body;
    TBerCursor global;
    int32_t version = 0;
    std::string_view flags;
    std::string_view security;
    if (!cursor.Enter(TagSequence, body) || !cursor.AtEnd() || !body.ReadInt32(version) ||
        version != SnmpVersion3 || !body.Enter(TagSequence, global) ||
        !global.ReadInt32(message.MessageId) || !global.ReadInt32(message.MaxSize) ||
        !global.ReadOctets(flags) || flags.size() != 1 ||
        !global.ReadInt32(message.SecurityModel) || !global.AtEnd() || !body.ReadOctets(security)) {
        return false;
    }
    message.Flags = uint8_t(flags[0]);
    if (message.MessageId < 0 || message.SecurityModel != SecurityModelUsm) {
        return false;
    }
    TBerCursor usmOuter(security);
    TBerCursor usm;
    std::string_view engine;
    std::string_view user;
    std::string_view auth;
    std::string_view priv;
    if (!usmOuter.Enter(TagSequence, usm) || !usmOuter.AtEnd() || !usm.ReadOctets(engine) ||
        !usm.ReadInt32(message.Usm.Boots) || !usm.ReadInt32(message.Usm.Time) ||
        !usm.ReadOctets(user) || !usm.ReadOctets(auth) || !usm.ReadOctets(priv) || !usm.AtEnd() ||
        engine.size() > 32 || user.size() > 32) {
        return false;
    }
    message.Usm.EngineId.assign(engine);
    message.Usm.UserName.assign(user);
    message.Usm.AuthParameters.assign(auth);
    message.Usm.PrivParameters.assign(priv);
    message.AuthOffset = size_t(auth.data() - datagram.data());
    message.EncryptedPdu = {};
    message.ScopedPdu = {};
    if (message.Flags & FlagPriv) {
        if (!(message.Flags & FlagAuth) || !body.ReadOctets(message.EncryptedPdu)) {
            return false;
        }
    } else {
        uint8_t tag = 0;
        std::string_view content;
        if (!body.ReadTlv(tag, content, message.ScopedPdu) || tag != TagSequence) {
            return false;
        }
    }
    return body.AtEnd();
}

} // namespace snmp
