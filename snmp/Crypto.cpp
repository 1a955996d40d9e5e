// OpenSSL libcrypto behind snmp/Crypto.h. Algorithms are fetched once; single DES lives in
// OpenSSL 3's legacy provider, which is loaded explicitly beside the default one.
#include "snmp/Crypto.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

namespace snmp::crypto {

namespace {

struct TAlgorithms {
    EVP_MD* Md5 = nullptr;
    EVP_MD* Sha1 = nullptr;
    EVP_CIPHER* Des = nullptr;
    EVP_CIPHER* TripleDes = nullptr;
    EVP_CIPHER* Aes = nullptr;

    TAlgorithms() {
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
        Md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
        Sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
        Des = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
        TripleDes = EVP_CIPHER_fetch(nullptr, "DES-EDE3-CBC", nullptr);
        Aes = EVP_CIPHER_fetch(nullptr, "AES-128-CFB", nullptr);
    }
};

// Lives as long as the process: the providers are never unloaded under a running client.
const TAlgorithms& Algorithms() {
    static const TAlgorithms* algorithms = new TAlgorithms();
    return *algorithms;
}

const EVP_MD* Md(THash hash) {
    return hash == THash::Md5 ? Algorithms().Md5 : Algorithms().Sha1;
}

const EVP_CIPHER* Cipher(TCipher cipher) {
    switch (cipher) {
    case TCipher::DesCbc:
        return Algorithms().Des;
    case TCipher::TripleDesCbc:
        return Algorithms().TripleDes;
    case TCipher::Aes128Cfb:
        return Algorithms().Aes;
    }
    return nullptr;
}

EVP_MD_CTX* Ctx(void* p) {
    return static_cast<EVP_MD_CTX*>(p);
}

bool RunCipher(TCipher cipher, int encrypt, std::string_view key, std::string_view iv,
               std::string_view in, std::string& out) {
    const EVP_CIPHER* algorithm = Cipher(cipher);
    if (algorithm == nullptr || key.size() != CipherKeySize(cipher) ||
        iv.size() != CipherIvSize(cipher)) {
        return false;
    }
    if (cipher != TCipher::Aes128Cfb && in.size() % 8 != 0) {
        return false;
    }
    thread_local struct TCtx {
        EVP_CIPHER_CTX* C = EVP_CIPHER_CTX_new();
        ~TCtx() { EVP_CIPHER_CTX_free(C); }
    } ctx;
    if (ctx.C == nullptr ||
        EVP_CipherInit_ex2(ctx.C, algorithm, reinterpret_cast<const uint8_t*>(key.data()),
                           reinterpret_cast<const uint8_t*>(iv.data()), encrypt, nullptr) != 1) {
        return false;
    }
    EVP_CIPHER_CTX_set_padding(ctx.C, 0);
    out.resize(in.size() + 16);
    int len = 0;
    int tail = 0;
    auto* dst = reinterpret_cast<uint8_t*>(out.data());
    if (EVP_CipherUpdate(ctx.C, dst, &len, reinterpret_cast<const uint8_t*>(in.data()),
                         int(in.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.C, dst + len, &tail) != 1) {
        out.clear();
        return false;
    }
    out.resize(size_t(len + tail));
    return true;
}

} // namespace

size_t DigestSize(THash hash) {
    return hash == THash::Md5 ? 16 : 20;
}

THasher::THasher(THash hash) : Kind(hash) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (ctx != nullptr && EVP_DigestInit_ex2(ctx, Md(hash), nullptr) != 1) {
        EVP_MD_CTX_free(ctx);
        ctx = nullptr;
    }
    Context = ctx;
}

THasher::~THasher() {
    EVP_MD_CTX_free(Ctx(Context));
}

bool THasher::Update(const void* data, size_t size) {
    return Context != nullptr && EVP_DigestUpdate(Ctx(Context), data, size) == 1;
}

bool THasher::Final(std::string& out) {
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned len = 0;
    if (Context == nullptr || EVP_DigestFinal_ex(Ctx(Context), digest, &len) != 1 ||
        EVP_DigestInit_ex2(Ctx(Context), Md(Kind), nullptr) != 1) {
        return false;
    }
    out.append(reinterpret_cast<const char*>(digest), len);
    return true;
}

bool Hash(THash hash, std::string_view data, std::string& out) {
    THasher hasher(hash);
    return hasher.Update(data.data(), data.size()) && hasher.Final(out);
}

THmac::THmac() = default;

THmac::~THmac() {
    Release();
}

void THmac::Release() {
    EVP_MD_CTX_free(Ctx(Inner));
    EVP_MD_CTX_free(Ctx(Outer));
    EVP_MD_CTX_free(Ctx(Work));
    Inner = Outer = Work = nullptr;
}

bool THmac::Init(THash hash, std::string_view key) {
    Release();
    Kind = hash;
    uint8_t block[64] = {};
    std::string digested;
    if (key.size() > sizeof(block)) {
        if (!Hash(hash, key, digested)) {
            return false;
        }
        key = digested;
    }
    std::memcpy(block, key.data(), key.size());
    uint8_t pad[64];
    EVP_MD_CTX* inner = EVP_MD_CTX_new();
    EVP_MD_CTX* outer = EVP_MD_CTX_new();
    EVP_MD_CTX* work = EVP_MD_CTX_new();
    Inner = inner;
    Outer = outer;
    Work = work;
    if (inner == nullptr || outer == nullptr || work == nullptr) {
        Release();
        return false;
    }
    for (size_t i = 0; i < 64; ++i) {
        pad[i] = block[i] ^ 0x36;
    }
    bool ok =
        EVP_DigestInit_ex2(inner, Md(hash), nullptr) == 1 && EVP_DigestUpdate(inner, pad, 64) == 1;
    for (size_t i = 0; i < 64; ++i) {
        pad[i] = block[i] ^ 0x5C;
    }
    ok = ok && EVP_DigestInit_ex2(outer, Md(hash), nullptr) == 1 &&
         EVP_DigestUpdate(outer, pad, 64) == 1;
    if (!ok) {
        Release();
    }
    return ok;
}

bool THmac::Compute(std::string_view data, uint8_t* out) {
    if (Inner == nullptr) {
        return false;
    }
    uint8_t innerDigest[EVP_MAX_MD_SIZE];
    unsigned len = 0;
    if (EVP_MD_CTX_copy_ex(Ctx(Work), Ctx(Inner)) != 1 ||
        EVP_DigestUpdate(Ctx(Work), data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(Ctx(Work), innerDigest, &len) != 1 ||
        EVP_MD_CTX_copy_ex(Ctx(Work), Ctx(Outer)) != 1 ||
        EVP_DigestUpdate(Ctx(Work), innerDigest, len) != 1 ||
        EVP_DigestFinal_ex(Ctx(Work), out, &len) != 1) {
        return false;
    }
    return true;
}

bool Hmac(THash hash, std::string_view key, std::string_view data, std::string& out) {
    THmac hmac;
    uint8_t digest[EVP_MAX_MD_SIZE];
    if (!hmac.Init(hash, key) || !hmac.Compute(data, digest)) {
        return false;
    }
    out.append(reinterpret_cast<const char*>(digest), DigestSize(hash));
    return true;
}

size_t CipherKeySize(TCipher cipher) {
    switch (cipher) {
    case TCipher::DesCbc:
        return 8;
    case TCipher::TripleDesCbc:
        return 24;
    case TCipher::Aes128Cfb:
        return 16;
    }
    return 0;
}

size_t CipherIvSize(TCipher cipher) {
    return cipher == TCipher::Aes128Cfb ? 16 : 8;
}

bool Encrypt(TCipher cipher, std::string_view key, std::string_view iv, std::string_view in,
             std::string& out) {
    return RunCipher(cipher, 1, key, iv, in, out);
}

bool Decrypt(TCipher cipher, std::string_view key, std::string_view iv, std::string_view in,
             std::string& out) {
    return RunCipher(cipher, 0, key, iv, in, out);
}

bool RandomBytes(void* out, size_t size) {
    return RAND_bytes(static_cast<uint8_t*>(out), int(size)) == 1;
}

} // namespace snmp::crypto
