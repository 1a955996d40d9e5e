// Keys and message protection of the user-based security model (RFC 3414, RFC 3826, and the
// triple-DES extension of draft-reeder-snmpv3-usm-3desede): password to key, localisation,
// HMAC-96 authentication, DES/3DES/AES privacy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "snmp/Crypto.h"

namespace snmp {

enum class TAuthProtocol : uint8_t;
enum class TPrivProtocol : uint8_t;

constexpr size_t AuthParametersSize = 12; // HMAC-MD5-96 and HMAC-SHA-96
constexpr size_t PrivParametersSize = 8;  // the salt of DES, 3DES and AES

crypto::THash AuthHash(TAuthProtocol auth);

// Ku: one megabyte of the repeated password hashed (RFC 3414 A.2.1, A.2.2).
bool PasswordToKey(crypto::THash hash, std::string_view password, std::string& ku);
// Kul = H(Ku | engineID | Ku) (RFC 3414 A.2).
bool LocalizeKey(crypto::THash hash, std::string_view ku, std::string_view engineId,
                 std::string& kul);
// The localised privacy key a protocol needs, made with the user's authentication hash:
// 16 octets for DES (key and pre-IV) and AES (key); 32 for triple-DES (three keys and a
// pre-IV), the localised key being extended by localising the key made from itself.
bool LocalizePrivacyKey(crypto::THash hash, TPrivProtocol priv, std::string_view ku,
                        std::string_view engineId, std::string& key);

// Encrypts a scoped PDU; salt is the 64-bit local value (DES and 3DES put the engine boots in
// its upper half as RFC 3414 8.1.1.1 asks). privParameters receives the 8 octets to send.
bool EncryptScopedPdu(TPrivProtocol priv, std::string_view key, int32_t boots, int32_t time,
                      uint64_t salt, std::string_view plain, std::string& cipher,
                      std::string& privParameters);
bool DecryptScopedPdu(TPrivProtocol priv, std::string_view key, int32_t boots, int32_t time,
                      std::string_view privParameters, std::string_view cipher, std::string& plain);

} // namespace snmp
