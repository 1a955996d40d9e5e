// BER writer and cursor, OID text, values and community messages.
#include <gtest/gtest.h>

#include <string>

#include "snmp/Ber.h"
#include "snmp/Oid.h"
#include "snmp/Pdu.h"

using namespace snmp;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(char(v));
    }
    return s;
}

} // namespace

TEST(Ber, IntegersAreMinimalTwosComplement) {
    struct {
        int64_t Value;
        std::string Encoding;
    } cases[] = {
        {0, Bytes({0x02, 0x01, 0x00})},
        {127, Bytes({0x02, 0x01, 0x7F})},
        {128, Bytes({0x02, 0x02, 0x00, 0x80})},
        {-1, Bytes({0x02, 0x01, 0xFF})},
        {-128, Bytes({0x02, 0x01, 0x80})},
        {-129, Bytes({0x02, 0x02, 0xFF, 0x7F})},
        {INT32_MAX, Bytes({0x02, 0x04, 0x7F, 0xFF, 0xFF, 0xFF})},
        {INT32_MIN, Bytes({0x02, 0x04, 0x80, 0x00, 0x00, 0x00})},
    };
    for (const auto& c : cases) {
        std::string out;
        TBerWriter(out).WriteInteger(c.Value);
        EXPECT_EQ(out, c.Encoding) << c.Value;
        TBerCursor cursor(out);
        int64_t back = 0;
        ASSERT_TRUE(cursor.ReadInteger(back));
        EXPECT_EQ(back, c.Value);
        EXPECT_TRUE(cursor.AtEnd());
    }
}

TEST(Ber, UnsignedValuesKeepTheirTopBit) {
    std::string out;
    TBerWriter(out).WriteUnsigned(0xFFFFFFFFu, TagCounter32);
    EXPECT_EQ(out, Bytes({0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    out.clear();
    TBerWriter(out).WriteUnsigned(UINT64_MAX, TagCounter64);
    TBerCursor cursor(out);
    uint64_t back = 0;
    ASSERT_TRUE(cursor.ReadUnsigned(back, TagCounter64));
    EXPECT_EQ(back, UINT64_MAX);
}

TEST(Ber, LongLengthsAreWrittenAndRead) {
    std::string out;
    TBerWriter writer(out);
    size_t mark = writer.Begin(TagSequence);
    writer.WriteOctets(std::string(300, 'x'));
    writer.End(mark);
    // 30 82 01 30 | 04 82 01 2C ...
    EXPECT_EQ(out.substr(0, 8), Bytes({0x30, 0x82, 0x01, 0x30, 0x04, 0x82, 0x01, 0x2C}));
    TBerCursor cursor(out);
    TBerCursor inner;
    std::string_view octets;
    ASSERT_TRUE(cursor.Enter(TagSequence, inner));
    ASSERT_TRUE(inner.ReadOctets(octets));
    EXPECT_EQ(octets.size(), 300u);
    EXPECT_TRUE(inner.AtEnd());
    EXPECT_TRUE(cursor.AtEnd());
}

TEST(Ber, MalformedInputIsRefusedWithoutMovingTheCursor) {
    const std::string cases[] = {
        Bytes({0x02}),                                     // no length
        Bytes({0x02, 0x02, 0x01}),                         // content cut short
        Bytes({0x30, 0x80, 0x00, 0x00}),                   // indefinite length
        Bytes({0x02, 0x85, 0, 0, 0, 0, 1}),                // length of five octets
        Bytes({0x02, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}), // length beyond the data
        Bytes({0x1F, 0x01, 0x00}),                         // high tag number
        Bytes({0x02, 0x00}),                               // empty integer
        Bytes({0x02, 0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9}),    // integer wider than 64 bits
    };
    for (const auto& c : cases) {
        TBerCursor cursor(c);
        int64_t value = 0;
        TBerCursor inner;
        EXPECT_FALSE(cursor.ReadInteger(value));
        EXPECT_FALSE(cursor.Enter(TagSequence, inner) && !inner.AtEnd());
        EXPECT_EQ(cursor.Remaining(), c.size());
    }
}

TEST(Ber, NestingIsCapped) {
    std::string data;
    for (int i = 0; i < 40; ++i) {
        data = Bytes({0x30, int(data.size())}) + data;
    }
    TBerCursor cursor(data);
    int levels = 0;
    TBerCursor inner;
    while (cursor.Enter(TagSequence, inner)) {
        cursor = inner;
        ++levels;
    }
    EXPECT_EQ(levels, TBerCursor::MaxDepth);
}

TEST(Oid, TextAndContentRoundTrip) {
    struct {
        const char* Text;
        const char* Canonical;
        std::string Content;
    } cases[] = {
        {"1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.3.0", Bytes({0x2B, 6, 1, 2, 1, 1, 3, 0})},
        {".1.3.6.1.4.1.2021.10.1.3.1", "1.3.6.1.4.1.2021.10.1.3.1",
         Bytes({0x2B, 6, 1, 4, 1, 0x8F, 0x65, 10, 1, 3, 1})},
        {"0.0", "0.0", Bytes({0x00})},
        {"2.999.3", "2.999.3", Bytes({0x88, 0x37, 0x03})},
        {"1.3.4294967295", "1.3.4294967295", Bytes({0x2B, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})},
    };
    for (const auto& c : cases) {
        std::string content;
        ASSERT_TRUE(EncodeOidContent(c.Text, content)) << c.Text;
        EXPECT_EQ(content, c.Content) << c.Text;
        std::string text;
        ASSERT_TRUE(DecodeOidContent(content, text));
        EXPECT_EQ(text, c.Canonical);
    }
}

TEST(Oid, InvalidTextIsRefused) {
    for (const char* text : {"", ".", "1", "1.", "1..3", "3.1", "1.40", "1.3.a", "1.3.6 ",
                             "1.3.4294967296", "-1.3", "1.3.6.1/2"}) {
        std::string content;
        EXPECT_FALSE(EncodeOidContent(text, content)) << '"' << text << '"';
    }
}

TEST(Oid, InvalidContentIsRefused) {
    for (const std::string& content :
         {std::string(), Bytes({0x2B, 0x86}), Bytes({0x2B, 0x80, 0x01}),
          Bytes({0x2B, 0x90, 0x80, 0x80, 0x80, 0x00})}) {
        std::string text;
        EXPECT_FALSE(DecodeOidContent(content, text));
    }
}

TEST(Values, EveryTypeHasItsText) {
    struct {
        uint8_t Type;
        std::string Content;
        const char* Text;
    } cases[] = {
        {TagInteger, Bytes({0xFF, 0x38}), "-200"},
        {TagOctetString, "abc", "abc"},
        {TagNull, "", ""},
        {TagObjectId, Bytes({0x2B, 6, 1}), "1.3.6.1"},
        {TagIpAddress, Bytes({127, 0, 0, 1}), "127.0.0.1"},
        {TagCounter32, Bytes({0x00, 0xFF, 0xFF, 0xFF, 0xFF}), "4294967295"},
        {TagCounter32, Bytes({0xFF}), "4294967295"}, // agents that send counters signed
        {TagGauge32, Bytes({0x01, 0x00}), "256"},
        {TagTimeTicks, Bytes({0x30, 0x39}), "12345"},
        {TagOpaque, Bytes({0x9F, 0x78, 0x04}), "\x9F\x78\x04"},
        {TagCounter64, Bytes({0x00, 0xFF, 0, 0, 0, 0, 0, 0, 1}), "18374686479671623681"},
        {TagNoSuchObject, "", ""},
        {TagNoSuchInstance, "", ""},
        {TagEndOfMibView, "", ""},
    };
    for (const auto& c : cases) {
        std::string text;
        ASSERT_TRUE(DecodeValue(c.Type, c.Content, text)) << int(c.Type);
        EXPECT_EQ(text, c.Text) << int(c.Type);
        std::string encoded;
        TBerWriter writer(encoded);
        ASSERT_TRUE(EncodeValue(writer, c.Type, text));
        TBerCursor cursor(encoded);
        uint8_t tag = 0;
        std::string_view content;
        std::string again;
        ASSERT_TRUE(cursor.ReadTlv(tag, content));
        ASSERT_TRUE(DecodeValue(tag, content, again));
        EXPECT_EQ(again, c.Text);
    }
    std::string text;
    EXPECT_FALSE(DecodeValue(TagIpAddress, "abc", text));
    EXPECT_FALSE(DecodeValue(TagNull, "x", text));
    std::string out;
    TBerWriter writer(out);
    EXPECT_FALSE(EncodeValue(writer, TagInteger, "12x"));
    EXPECT_FALSE(EncodeValue(writer, TagIpAddress, "1.2.3"));
    EXPECT_FALSE(EncodeValue(writer, TagCounter32, "-1"));
}

TEST(CommunityMessage, GetRequestMatchesTheRfcLayout) {
    TPdu pdu;
    pdu.RequestId = 0x1234;
    pdu.VarBinds.push_back({"1.3.6.1.2.1.1.3.0", "", TagNull});
    std::string out;
    ASSERT_TRUE(EncodeCommunityMessage(SnmpVersion2c, "public", pdu, out));
    const std::string expected =
        Bytes({0x30, 0x27, 0x02, 0x01, 0x01, 0x04, 0x06}) + "public" +
        Bytes({0xA0, 0x1A, 0x02, 0x02, 0x12, 0x34, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E,
               0x30, 0x0C, 0x06, 0x08, 0x2B, 6,    1,    2,    1,    1,    3,    0,    0x05, 0x00});
    EXPECT_EQ(out, expected);

    int32_t version = -1;
    std::string community;
    TPdu back;
    ASSERT_TRUE(DecodeCommunityMessage(out, version, community, back));
    EXPECT_EQ(version, SnmpVersion2c);
    EXPECT_EQ(community, "public");
    EXPECT_EQ(back.RequestId, 0x1234);
    ASSERT_EQ(back.VarBinds.size(), 1u);
    EXPECT_EQ(back.VarBinds[0].Oid, "1.3.6.1.2.1.1.3.0");
    EXPECT_EQ(back.VarBinds[0].Type, TagNull);

    // Every truncation and trailing garbage is refused.
    for (size_t cut = 0; cut < out.size(); ++cut) {
        EXPECT_FALSE(DecodeCommunityMessage(out.substr(0, cut), version, community, back)) << cut;
    }
    EXPECT_FALSE(DecodeCommunityMessage(out + "x", version, community, back));
}

TEST(CommunityMessage, BadVariablesAreNotEncoded) {
    TPdu pdu;
    pdu.VarBinds.push_back({"1.3.6.1.2.1.1.3.0", "", TagNull});
    pdu.VarBinds.push_back({"not an oid", "", TagNull});
    std::string out;
    EXPECT_FALSE(EncodeCommunityMessage(SnmpVersion1, "public", pdu, out));
    pdu.VarBinds[1] = {"1.3.6.1", "twelve", TagInteger};
    EXPECT_FALSE(EncodeCommunityMessage(SnmpVersion1, "public", pdu, out));
}
