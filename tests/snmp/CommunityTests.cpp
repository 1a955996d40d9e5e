// SNMPv1 and SNMPv2c GETs against a real snmpd, compared with Debian's snmpget.
#include <gtest/gtest.h>

#include "snmp/SnmpClient.h"
#include "tests/snmp/SnmpdRunner.h"

using namespace snmp;
using namespace snmptest;

namespace {

class CommunityGet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Agent.Start(StandardSnmpdConfig())) << Agent.Log(); }

    void Prepare(TSnmpClient& client, int32_t version, const std::string& community = "public") {
        client.Query.Clear();
        client.Query.Version = version;
        client.Query.Community = community;
        client.Query.Pdu.Type = PduGetRequest;
        client.TargetHost = "127.0.0.1";
        client.TargetPort = Agent.PortText();
        client.Timeout = 1000;
    }

    TSnmpdRunner Agent;
};

const std::vector<std::string> SystemOids = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.2.0",
                                             "1.3.6.1.2.1.1.5.0"};

} // namespace

TEST_F(CommunityGet, ValuesMatchSnmpget) {
    std::vector<std::string> oids = SystemOids;
    for (const TFixedOid& f : FixedOids()) {
        oids.push_back(f.Oid);
    }
    for (int32_t version : {SnmpVersion1, SnmpVersion2c}) {
        SCOPED_TRACE(version);
        std::vector<std::string> args = {version == SnmpVersion1 ? "-v1" : "-v2c", "-c", "public",
                                         "127.0.0.1:" + Agent.PortText()};
        args.insert(args.end(), oids.begin(), oids.end());
        std::vector<std::string> expected;
        std::string output;
        ASSERT_TRUE(RunSnmpGet(args, expected, &output)) << output;
        ASSERT_EQ(expected.size(), oids.size()) << output;

        TSnmpClient client;
        Prepare(client, version);
        for (const std::string& oid : oids) {
            client.Query.AddVariable(oid, "");
        }
        ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
        const auto& vars = client.Reply.Pdu.VarBinds;
        ASSERT_EQ(vars.size(), oids.size());
        for (size_t i = 0; i < oids.size(); ++i) {
            EXPECT_EQ(vars[i].Oid, oids[i]);
            EXPECT_EQ(vars[i].Value, expected[i]) << oids[i];
        }
        EXPECT_EQ(client.Reply.Version, version);
        EXPECT_EQ(client.Reply.Pdu.ErrorStatus, 0);
    }
}

TEST_F(CommunityGet, FixedValuesCarryTheirTypes) {
    const uint8_t types[] = {TagInteger,   TagOctetString, TagCounter32, TagGauge32,
                             TagTimeTicks, TagObjectId,    TagInteger};
    TSnmpClient client;
    Prepare(client, SnmpVersion2c);
    for (const TFixedOid& f : FixedOids()) {
        client.Query.AddVariable(f.Oid, "");
    }
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), FixedOids().size());
    for (size_t i = 0; i < FixedOids().size(); ++i) {
        EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Type, types[i]) << FixedOids()[i].Oid;
        EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Value, FixedOids()[i].Value);
    }
}

TEST_F(CommunityGet, MissingObjectsAreReportedTheWayEachVersionDoes) {
    // SNMPv2c: an exception value in place; SNMPv1: an error status, variables as sent.
    TSnmpClient client;
    Prepare(client, SnmpVersion2c);
    client.Query.AddVariable("1.3.6.1.2.1.1.5.0", "");
    client.Query.AddVariable("1.3.6.1.2.1.1.99.0", "");
    client.Query.AddVariable("1.3.6.1.2.1.1.5.1", "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 3u);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[1].Type, TagNoSuchObject);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[1].Value, "");
    EXPECT_EQ(client.Reply.Pdu.VarBinds[2].Type, TagNoSuchInstance);

    Prepare(client, SnmpVersion1);
    client.Query.AddVariable("1.3.6.1.2.1.1.5.0", "");
    client.Query.AddVariable("1.3.6.1.2.1.1.99.0", "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    EXPECT_EQ(client.Reply.Pdu.ErrorStatus, 2); // noSuchName
    EXPECT_EQ(client.Reply.Pdu.ErrorIndex, 2);
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 2u);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[1].Type, TagNull);
}

TEST_F(CommunityGet, QueryKeepsItsVariablesUntilCleared) {
    TSnmpClient client;
    Prepare(client, SnmpVersion2c);
    client.Query.AddVariable(FixedOids()[0].Oid, "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    EXPECT_EQ(client.Reply.Pdu.VarBinds.size(), 1u);
    client.Query.AddVariable(FixedOids()[1].Oid, "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 2u);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[1].Value, "hello world");
    ASSERT_NE(client.Reply.FindVariable(FixedOids()[1].Oid), nullptr);
    EXPECT_EQ(client.Reply.FindVariable("1.3.6.1"), nullptr);
}

TEST_F(CommunityGet, FailuresGiveTheirCodesAndNoValues) {
    struct {
        const char* Name;
        std::string Community;
        std::string Oid;
        std::string Host;
        int32_t Code;
    } cases[] = {
        // snmpd does not answer a wrong community at all.
        {"wrong community", "private", "1.3.6.1.2.1.1.5.0", "127.0.0.1", ErrorTimedOut},
        {"invalid OID", "public", "1.3.x", "127.0.0.1", ErrorNotSentOrUndecodable},
        {"empty host", "public", "1.3.6.1.2.1.1.5.0", "", ErrorNotSentOrUndecodable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSnmpClient client;
        Prepare(client, SnmpVersion2c, c.Community);
        client.TargetHost = c.Host;
        client.Timeout = 300;
        client.Query.AddVariable(c.Oid, "");
        EXPECT_FALSE(client.SendRequest());
        EXPECT_EQ(client.ErrorCode(), c.Code);
        EXPECT_TRUE(client.Reply.Pdu.VarBinds.empty());
    }
}

TEST_F(CommunityGet, TimeOutIsBounded) {
    TSnmpClient client;
    Prepare(client, SnmpVersion2c, "private");
    client.Timeout = 200;
    client.Query.AddVariable("1.3.6.1.2.1.1.5.0", "");
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.SendRequest());
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(client.ErrorCode(), ErrorTimedOut);
    EXPECT_GE(elapsed, std::chrono::milliseconds(190));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000));
}
