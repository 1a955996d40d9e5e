// The cryptography the user-based security model needs, behind a narrow interface:
// MD5 and SHA-1 hashes, HMAC with prepared keys, DES-CBC, triple-DES EDE CBC, AES-128-CFB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace snmp::crypto {

enum class THash { Md5, Sha1 };
enum class TCipher { DesCbc, TripleDesCbc, Aes128Cfb };

size_t DigestSize(THash hash);

// An incremental hash.
class THasher {
public:
    explicit THasher(THash hash);
    ~THasher();
    THasher(const THasher&) = delete;
    THasher& operator=(const THasher&) = delete;
    bool Ok() const { return Context != nullptr; }
    bool Update(const void* data, size_t size);
    // Appends the digest to out and starts a new hash.
    bool Final(std::string& out);

private:
    THash Kind;
    void* Context = nullptr;
};

bool Hash(THash hash, std::string_view data, std::string& out);

// HMAC whose key is digested once: each message then costs two hash finals (RFC 2104).
class THmac {
public:
    THmac();
    ~THmac();
    THmac(const THmac&) = delete;
    THmac& operator=(const THmac&) = delete;
    bool Init(THash hash, std::string_view key);
    bool Ready() const { return Inner != nullptr; }
    // The full digest into out (DigestSize bytes).
    bool Compute(std::string_view data, uint8_t* out);

private:
    void Release();
    THash Kind = THash::Md5;
    void* Inner = nullptr;
    void* Outer = nullptr;
    void* Work = nullptr;
};

bool Hmac(THash hash, std::string_view key, std::string_view data, std::string& out);

size_t CipherKeySize(TCipher cipher);
size_t CipherIvSize(TCipher cipher);
// CBC ciphers take whole blocks only (the caller pads); CFB takes any length. False on failure
// (wrong key or IV size, partial block, library failure).
bool Encrypt(TCipher cipher, std::string_view key, std::string_view iv, std::string_view in,
             std::string& out);
bool Decrypt(TCipher cipher, std::string_view key, std::string_view iv, std::string_view in,
             std::string& out);

// Unpredictable bytes for salts and initial counters.
bool RandomBytes(void* out, size_t size);

} // namespace snmp::crypto
