// USM key derivation and privacy transforms.
#include "snmp/Usm.h"

#include <cstring>

#include "snmp/SnmpClient.h"

namespace snmp {

crypto::THash AuthHash(TAuthProtocol auth) {
    return auth == TAuthProtocol::Sha1 ? crypto::THash::Sha1 : crypto::THash::Md5;
}

bool PasswordToKey(crypto::THash hash, std::string_view password, std::string& ku) {
    if (password.empty()) {
        return false;
    }
    crypto::THasher hasher(hash);
    // The password repeated to 1048576 octets, fed in large chunks.
    uint8_t chunk[4096];
    size_t index = 0;
    for (size_t total = 0; total < 1048576; total += sizeof(chunk)) {
        for (uint8_t& b : chunk) {
            b = uint8_t(password[index]);
            index = index + 1 == password.size() ? 0 : index + 1;
        }
        if (!hasher.Update(chunk, sizeof(chunk))) {
            return false;
        }
    }
    ku.clear();
    return hasher.Final(ku);
}

bool LocalizeKey(crypto::THash hash, std::string_view ku, std::string_view engineId,
                 std::string& kul) {
    crypto::THasher hasher(hash);
    kul.clear();
    return hasher.Update(ku.data(), ku.size()) && hasher.Update(engineId.data(), engineId.size()) &&
           hasher.Update(ku.data(), ku.size()) && hasher.Final(kul);
}

bool LocalizePrivacyKey(crypto::THash hash, TPrivProtocol priv, std::string_view ku,
                        std::string_view engineId, std::string& key) {
    if (!LocalizeKey(hash, ku, engineId, key)) {
        return false;
    }
    if (priv != TPrivProtocol::TripleDes) {
        key.resize(16);
        return true;
    }
    while (key.size() < 32) {
        std::string nextKu;
        std::string next;
        if (!PasswordToKey(hash, key, nextKu) || !LocalizeKey(hash, nextKu, engineId, next)) {
            return false;
        }
        key += next;
    }
    key.resize(32);
    return true;
}

namespace {

void PutBigEndian32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

crypto::TCipher CipherOf(TPrivProtocol priv) {
    switch (priv) {
    case TPrivProtocol::Des:
        return crypto::TCipher::DesCbc;
    case TPrivProtocol::TripleDes:
        return crypto::TCipher::TripleDesCbc;
    case TPrivProtocol::Aes128:
        break;
    }
    return crypto::TCipher::Aes128Cfb;
}

// Cipher key and IV from the localised key and the salt (RFC 3414 8.1.1.1, RFC 3826 3.1.2.1,
// and the same scheme with a 24-octet key for triple-DES).
bool KeyAndIv(TPrivProtocol priv, std::string_view key, int32_t boots, int32_t time,
              std::string_view salt, std::string_view& cipherKey, std::string& iv) {
    if (salt.size() != PrivParametersSize) {
        return false;
    }
    if (priv == TPrivProtocol::Aes128) {
        if (key.size() < 16) {
            return false;
        }
        cipherKey = key.substr(0, 16);
        iv.resize(16);
        auto* p = reinterpret_cast<uint8_t*>(iv.data());
        PutBigEndian32(p, uint32_t(boots));
        PutBigEndian32(p + 4, uint32_t(time));
        std::memcpy(p + 8, salt.data(), 8);
        return true;
    }
    size_t keySize = priv == TPrivProtocol::Des ? 8 : 24;
    if (key.size() < keySize + 8) {
        return false;
    }
    cipherKey = key.substr(0, keySize);
    std::string_view preIv = key.substr(keySize, 8);
    iv.resize(8);
    for (size_t i = 0; i < 8; ++i) {
        iv[i] = char(preIv[i] ^ salt[i]);
    }
    return true;
}

} // namespace

bool EncryptScopedPdu(TPrivProtocol priv, std::string_view key, int32_t boots, int32_t time,
                      uint64_t salt, std::string_view plain, std::string& cipher,
                      std::string& privParameters) {
    uint8_t saltBytes[8];
    if (priv == TPrivProtocol::Aes128) {
        PutBigEndian32(saltBytes, uint32_t(salt >> 32));
    } else {
        PutBigEndian32(saltBytes, uint32_t(boots));
    }
    PutBigEndian32(saltBytes + 4, uint32_t(salt));
    privParameters.assign(reinterpret_cast<const char*>(saltBytes), 8);
    std::string_view cipherKey;
    std::string iv;
    if (!KeyAndIv(priv, key, boots, time, privParameters, cipherKey, iv)) {
        return false;
    }
    if (priv == TPrivProtocol::Aes128) {
        return crypto::Encrypt(CipherOf(priv), cipherKey, iv, plain, cipher);
    }
    // CBC needs whole blocks; the padding octets are ignored by the receiver's BER decoder.
    std::string padded(plain);
    padded.resize((plain.size() + 7) / 8 * 8, '\0');
    return crypto::Encrypt(CipherOf(priv), cipherKey, iv, padded, cipher);
}

bool DecryptScopedPdu(TPrivProtocol priv, std::string_view key, int32_t boots, int32_t time,
                      std::string_view privParameters, std::string_view cipher,
                      std::string& plain) {
    std::string_view cipherKey;
    std::string iv;
    if (!KeyAndIv(priv, key, boots, time, privParameters, cipherKey, iv)) {
        return false;
    }
    if (priv != TPrivProtocol::Aes128 && cipher.size() % 8 != 0) {
        return false;
    }
    return crypto::Decrypt(CipherOf(priv), cipherKey, iv, cipher, plain);
}

} // namespace snmp
