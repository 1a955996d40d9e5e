// libFuzzer target for the SNMP message decoders: community messages, SNMPv3 headers and
// security parameters, the digest check at the offset the decoder found, and decryption
// followed by the scoped PDU decoder. Seeds are replies captured from snmpd.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "snmp/Crypto.h"
#include "snmp/MessageV3.h"
#include "snmp/Pdu.h"
#include "snmp/SnmpClient.h"
#include "snmp/Usm.h"

namespace {

using namespace snmp;

// The passwords of the seeds' users, turned into keys once (the costly step).
struct TKeys {
    std::string Md5Auth;
    std::string ShaAuth;
    std::string Md5Des;
    std::string ShaAes;
    TKeys() {
        PasswordToKey(crypto::THash::Md5, "md5password", Md5Auth);
        PasswordToKey(crypto::THash::Sha1, "shapassword", ShaAuth);
        PasswordToKey(crypto::THash::Md5, "despassword", Md5Des);
        PasswordToKey(crypto::THash::Sha1, "aespassword", ShaAes);
    }
};

void CheckDigest(const TV3Message& message, std::string_view datagram, crypto::THash hash,
                 const std::string& ku) {
    std::string kul;
    if (message.AuthOffset + AuthParametersSize > datagram.size() ||
        !LocalizeKey(hash, ku, message.Usm.EngineId, kul)) {
        return;
    }
    std::string copy(datagram);
    copy.replace(message.AuthOffset, AuthParametersSize, AuthParametersSize, '\0');
    crypto::THmac hmac;
    uint8_t digest[20];
    if (hmac.Init(hash, kul)) {
        hmac.Compute(copy, digest);
    }
}

void DecodeScoped(std::string_view bytes) {
    std::string engine;
    std::string context;
    TPdu pdu;
    DecodeScopedPdu(bytes, engine, context, pdu);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TKeys keys;
    std::string_view datagram(reinterpret_cast<const char*>(data), size);

    int32_t version = 0;
    std::string community;
    TPdu pdu;
    DecodeCommunityMessage(datagram, version, community, pdu);

    TV3Message message;
    if (!DecodeV3Message(datagram, message)) {
        return 0;
    }
    if (message.Flags & FlagAuth) {
        if (message.AuthOffset + AuthParametersSize > size &&
            message.Usm.AuthParameters.size() == AuthParametersSize) {
            __builtin_trap(); // the decoder pointed outside the datagram
        }
        CheckDigest(message, datagram, crypto::THash::Md5, keys.Md5Auth);
        CheckDigest(message, datagram, crypto::THash::Sha1, keys.ShaAuth);
    }
    if (message.Flags & FlagPriv) {
        std::string key;
        std::string plain;
        if (LocalizePrivacyKey(crypto::THash::Md5, TPrivProtocol::Des, keys.Md5Des,
                               message.Usm.EngineId, key) &&
            DecryptScopedPdu(TPrivProtocol::Des, key, message.Usm.Boots, message.Usm.Time,
                             message.Usm.PrivParameters, message.EncryptedPdu, plain)) {
            DecodeScoped(plain);
        }
        if (LocalizePrivacyKey(crypto::THash::Sha1, TPrivProtocol::Aes128, keys.ShaAes,
                               message.Usm.EngineId, key) &&
            DecryptScopedPdu(TPrivProtocol::Aes128, key, message.Usm.Boots, message.Usm.Time,
                             message.Usm.PrivParameters, message.EncryptedPdu, plain)) {
            DecodeScoped(plain);
        }
    } else {
        DecodeScoped(message.ScopedPdu);
    }
    return 0;
}
