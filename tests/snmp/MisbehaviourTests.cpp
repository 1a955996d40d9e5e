// Error paths against real datagrams from an agent that misbehaves on purpose: each yields
// its error code and never a value.
#include <gtest/gtest.h>

#include "snmp/SnmpClient.h"
#include "tests/snmp/TestAgent.h"

using namespace snmp;
using namespace snmptest;

namespace {

class Misbehaving : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Agent.Start()); }

    void PrepareV2c(TSnmpClient& client) {
        client.Query.Clear();
        client.Query.Version = SnmpVersion2c;
        client.Query.Community = "public";
        client.TargetHost = "127.0.0.1";
        client.TargetPort = Agent.PortText();
        client.Timeout = 250;
    }

    void PrepareV3(TSnmpClient& client, const std::string& user = "agentuser") {
        client.Query.Clear();
        client.Query.Version = SnmpVersion3;
        client.Query.UserName = user;
        client.Query.SecurityLevel = TSecurityLevel::AuthPriv;
        client.Query.AuthProtocol = TAuthProtocol::Sha1;
        client.Query.AuthPassword = "agentauthpass";
        client.Query.PrivProtocol = TPrivProtocol::Aes128;
        client.Query.PrivPassword = "agentprivpass";
        client.TargetHost = "127.0.0.1";
        client.TargetPort = Agent.PortText();
        client.Timeout = 250;
    }

    TTestAgent Agent;
};

struct TCase {
    const char* Name;
    const char* Oid;
    int32_t Code;
};

} // namespace

TEST_F(Misbehaving, CommunityRepliesThatAreNotTheAnswer) {
    const TCase cases[] = {
        {"no answer", misbehave::NoAnswer, ErrorTimedOut},
        {"wrong request id", misbehave::WrongRequestId, ErrorTimedOut},
        {"reply from another port", misbehave::OtherPort, ErrorTimedOut},
        {"truncated reply", misbehave::Truncated, ErrorNotSentOrUndecodable},
        {"malformed reply", misbehave::Malformed, ErrorNotSentOrUndecodable},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSnmpClient client;
        PrepareV2c(client);
        client.Query.AddVariable(c.Oid, "");
        client.Query.AddVariable("1.3.6.1.2.1.1.5.0", "");
        int before = Agent.Requests;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(client.SendRequest());
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(client.ErrorCode(), c.Code) << client.ErrorText();
        EXPECT_TRUE(client.Reply.Pdu.VarBinds.empty());
        EXPECT_EQ(Agent.Requests - before, 1);
        // Refused datagrams never end the wait early: a good reply could still come.
        EXPECT_GE(elapsed, std::chrono::milliseconds(240));
    }
}

TEST_F(Misbehaving, LateReplyIsNeverTakenForTheNextRequest) {
    TSnmpClient client;
    PrepareV2c(client);
    Agent.LateMs = 400;
    client.Query.AddVariable(misbehave::LateAnswer, "");
    client.Query.AddVariable("1.3.6.1.4.1.99999.1.1.0", "");
    EXPECT_FALSE(client.SendRequest());
    EXPECT_EQ(client.ErrorCode(), ErrorTimedOut);
    // The late reply (with -42) arrives while the client waits for this one.
    PrepareV2c(client);
    client.Timeout = 1500;
    client.Query.AddVariable("1.3.6.1.2.1.1.5.0", "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 1u);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[0].Oid, "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(client.Reply.Pdu.VarBinds[0].Value, "test-agent");
}

TEST_F(Misbehaving, UsmRepliesThatAreNotTheAnswer) {
    const TCase cases[] = {
        {"engine time far behind", misbehave::WrongEngineTime, ErrorNotInTimeWindow},
        {"report of an unknown user", misbehave::UnknownUserReport, ErrorUnknownUser},
        {"response with a wrong digest", misbehave::WrongDigest, ErrorAuthenticationFailed},
        {"wrong request id", misbehave::WrongRequestId, ErrorTimedOut},
        {"no answer", misbehave::NoAnswer, ErrorTimedOut},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSnmpClient client;
        PrepareV3(client);
        client.Query.AddVariable(c.Oid, "");
        client.Query.AddVariable("1.3.6.1.4.1.99999.1.1.0", "");
        EXPECT_FALSE(client.SendRequest());
        EXPECT_EQ(client.ErrorCode(), c.Code) << client.ErrorText();
        EXPECT_TRUE(client.Reply.Pdu.VarBinds.empty());
    }
}

TEST_F(Misbehaving, UsmUserTheAgentDoesNotKnow) {
    TSnmpClient client;
    PrepareV3(client, "stranger");
    client.Query.AddVariable("1.3.6.1.4.1.99999.1.1.0", "");
    EXPECT_FALSE(client.SendRequest());
    EXPECT_EQ(client.ErrorCode(), ErrorUnknownUser);
    EXPECT_TRUE(client.Reply.Pdu.VarBinds.empty());
}

TEST_F(Misbehaving, NotInTimeWindowReportResynchronisesOnce) {
    TSnmpClient client;
    PrepareV3(client);
    client.Query.AddVariable(misbehave::ResyncOnce, "");
    client.Query.AddVariable("1.3.6.1.4.1.99999.1.1.0", "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 2u);
    EXPECT_EQ(client.Reply.Pdu.VarBinds[1].Value, "-42");
    EXPECT_EQ(client.KeyLocalisations(), 1u);
    // discovery, the refused request, the retry
    EXPECT_EQ(Agent.Requests, 3);
}
