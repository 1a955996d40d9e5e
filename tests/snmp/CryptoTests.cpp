// The USM's cryptography pinned by published test vectors; each case names its source.
#include <gtest/gtest.h>

#include "snmp/Crypto.h"
#include "snmp/SnmpClient.h"
#include "snmp/Usm.h"

using namespace snmp;
using namespace snmp::crypto;

namespace {

std::string Hex(std::string_view text) {
    std::string bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(uint8_t(c))) {
            digits.push_back(c);
        }
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(char(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

const std::string EngineId2 = Hex("00 00 00 00 00 00 00 00 00 00 00 02");

} // namespace

// RFC 3414 appendix A.3.1 and A.3.2: password "maplesyrup", engine id 00..02.
TEST(UsmKeys, Rfc3414MapleSyrupVectors) {
    struct {
        THash Hash;
        const char* Ku;
        const char* Kul;
    } cases[] = {
        {THash::Md5, "9f af 32 83 88 4e 92 83 4e bc 98 47 d8 ed d9 63",
         "52 6f 5e ed 9f cc e2 6f 89 64 c2 93 07 87 d8 2b"},
        {THash::Sha1, "9f b5 cc 03 81 49 7b 37 93 52 89 39 ff 78 8d 5d 79 14 52 11",
         "66 95 fe bc 92 88 e3 62 82 23 5f c7 15 1f 12 84 97 b3 8f 3f"},
    };
    for (const auto& c : cases) {
        std::string ku;
        std::string kul;
        ASSERT_TRUE(PasswordToKey(c.Hash, "maplesyrup", ku));
        EXPECT_EQ(ku, Hex(c.Ku));
        ASSERT_TRUE(LocalizeKey(c.Hash, ku, EngineId2, kul));
        EXPECT_EQ(kul, Hex(c.Kul));
    }
    std::string ku;
    EXPECT_FALSE(PasswordToKey(THash::Md5, "", ku));
}

TEST(UsmKeys, PrivacyKeysHaveTheSizeEachProtocolNeeds) {
    std::string ku;
    ASSERT_TRUE(PasswordToKey(THash::Md5, "maplesyrup", ku));
    std::string des;
    std::string aes;
    std::string tripleDes;
    ASSERT_TRUE(LocalizePrivacyKey(THash::Md5, TPrivProtocol::Des, ku, EngineId2, des));
    ASSERT_TRUE(LocalizePrivacyKey(THash::Md5, TPrivProtocol::Aes128, ku, EngineId2, aes));
    ASSERT_TRUE(LocalizePrivacyKey(THash::Md5, TPrivProtocol::TripleDes, ku, EngineId2, tripleDes));
    EXPECT_EQ(des, Hex("52 6f 5e ed 9f cc e2 6f 89 64 c2 93 07 87 d8 2b"));
    EXPECT_EQ(aes, des);
    // Triple-DES: the localised key, then the key localised from the localised key itself.
    ASSERT_EQ(tripleDes.size(), 32u);
    EXPECT_EQ(tripleDes.substr(0, 16), des);
    std::string ku2;
    std::string kul2;
    ASSERT_TRUE(PasswordToKey(THash::Md5, des, ku2));
    ASSERT_TRUE(LocalizeKey(THash::Md5, ku2, EngineId2, kul2));
    EXPECT_EQ(tripleDes.substr(16), kul2);
}

// RFC 2202 test case 2 (key "Jefe") for HMAC-MD5 and HMAC-SHA-1.
TEST(CryptoVectors, Rfc2202Hmac) {
    std::string md5;
    std::string sha1;
    ASSERT_TRUE(Hmac(THash::Md5, "Jefe", "what do ya want for nothing?", md5));
    ASSERT_TRUE(Hmac(THash::Sha1, "Jefe", "what do ya want for nothing?", sha1));
    EXPECT_EQ(md5, Hex("750c783e6ab0b503eaa86e310a5db738"));
    EXPECT_EQ(sha1, Hex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
    // RFC 2202 test case 6: a key longer than the block is digested first.
    std::string longKey(80, '\xaa');
    std::string out;
    ASSERT_TRUE(
        Hmac(THash::Md5, longKey, "Test Using Larger Than Block-Size Key - Hash Key First", out));
    EXPECT_EQ(out, Hex("6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"));
    // A prepared key gives the same digest for every message it signs.
    THmac prepared;
    ASSERT_TRUE(prepared.Init(THash::Sha1, "Jefe"));
    uint8_t digest[20];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(prepared.Compute("what do ya want for nothing?", digest));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(digest), 20), sha1);
    }
}

// FIPS 81 (DES modes of operation), the CBC example; NIST SP 800-38A F.3.13 (CFB128-AES128,
// the mode RFC 3826 uses); NIST SP 800-67 (TDEA) example, whose first block CBC with a zero IV
// reproduces.
TEST(CryptoVectors, PublishedCipherVectors) {
    struct {
        const char* Source;
        TCipher Cipher;
        const char* Key;
        const char* Iv;
        std::string Plain;
        const char* Cipher_;
    } cases[] = {
        {"FIPS 81", TCipher::DesCbc, "0123456789abcdef", "1234567890abcdef",
         "Now is the time for all ", "e5c7cdde872bf27c43e934008c389c0f683788499a7c05f6"},
        {"SP 800-38A F.3.13", TCipher::Aes128Cfb, "2b7e151628aed2a6abf7158809cf4f3c",
         "000102030405060708090a0b0c0d0e0f",
         Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"),
         "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"},
        {"SP 800-67", TCipher::TripleDesCbc, "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123",
         "0000000000000000", "The qufck", "a826fd8ce53b855f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Source);
        std::string plain = c.Plain;
        if (c.Cipher == TCipher::TripleDesCbc) {
            plain = plain.substr(0, 8);
        }
        std::string out;
        ASSERT_TRUE(Encrypt(c.Cipher, Hex(c.Key), Hex(c.Iv), plain, out));
        EXPECT_EQ(out, Hex(c.Cipher_));
        std::string back;
        ASSERT_TRUE(Decrypt(c.Cipher, Hex(c.Key), Hex(c.Iv), out, back));
        EXPECT_EQ(back, plain);
    }
    std::string out;
    EXPECT_FALSE(Encrypt(TCipher::DesCbc, Hex("0123456789abcdef"), Hex("1234567890abcdef"),
                         "seven!!", out)); // not a whole block
    EXPECT_FALSE(
        Encrypt(TCipher::Aes128Cfb, "short", Hex("000102030405060708090a0b0c0d0e0f"), "x", out));
}

TEST(UsmPrivacy, ScopedPduRoundTripsWithEachProtocol) {
    const std::string plain = Hex("30 0e 04 00 04 00 a0 08 02 01 01 02 01 00 02 01 00 30 00");
    std::string key(32, '\0');
    for (size_t i = 0; i < key.size(); ++i) {
        key[i] = char(i * 7 + 1);
    }
    for (TPrivProtocol priv :
         {TPrivProtocol::Des, TPrivProtocol::TripleDes, TPrivProtocol::Aes128}) {
        SCOPED_TRACE(int(priv));
        std::string cipher;
        std::string params;
        ASSERT_TRUE(
            EncryptScopedPdu(priv, key, 5, 1234, 0x0102030405060708ull, plain, cipher, params));
        EXPECT_EQ(params.size(), PrivParametersSize);
        EXPECT_NE(cipher.substr(0, plain.size()), plain);
        if (priv == TPrivProtocol::Aes128) {
            EXPECT_EQ(params, Hex("0102030405060708"));
            EXPECT_EQ(cipher.size(), plain.size());
        } else {
            EXPECT_EQ(params, Hex("0000000505060708")); // boots, then the local counter
            EXPECT_EQ(cipher.size() % 8, 0u);
        }
        std::string back;
        ASSERT_TRUE(DecryptScopedPdu(priv, key, 5, 1234, params, cipher, back));
        EXPECT_EQ(back.substr(0, plain.size()), plain);
        // AES takes engine boots and time into the IV: other values give other plaintext.
        if (priv == TPrivProtocol::Aes128) {
            ASSERT_TRUE(DecryptScopedPdu(priv, key, 5, 1235, params, cipher, back));
            EXPECT_NE(back, plain);
        }
        EXPECT_FALSE(DecryptScopedPdu(priv, key, 5, 1234, "short", cipher, back));
    }
}
