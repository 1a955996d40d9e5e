// SNMPv3 GETs at every security level against a real snmpd, compared with Debian's snmpget;
// failures of the user-based security model; what the client keeps between requests.
#include <gtest/gtest.h>

#include "snmp/SnmpClient.h"
#include "tests/snmp/SnmpdRunner.h"

using namespace snmp;
using namespace snmptest;

namespace {

struct TUserCase {
    const char* User;
    TSecurityLevel Level;
    TAuthProtocol Auth;
    const char* AuthPassword;
    TPrivProtocol Priv;
    const char* PrivPassword;
};

const TUserCase Users[] = {
    {"noauthuser", TSecurityLevel::NoAuthNoPriv, TAuthProtocol::Md5, "", TPrivProtocol::Des, ""},
    {"md5user", TSecurityLevel::AuthNoPriv, TAuthProtocol::Md5, "md5password", TPrivProtocol::Des,
     ""},
    {"shauser", TSecurityLevel::AuthNoPriv, TAuthProtocol::Sha1, "shapassword", TPrivProtocol::Des,
     ""},
    {"md5desuser", TSecurityLevel::AuthPriv, TAuthProtocol::Md5, "md5password", TPrivProtocol::Des,
     "despassword"},
    {"shaaesuser", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "shapassword",
     TPrivProtocol::Aes128, "aespassword"},
};

std::vector<std::string> SnmpgetArgs(const TUserCase& u) {
    std::vector<std::string> args = {"-v3", "-u", u.User, "-l"};
    switch (u.Level) {
    case TSecurityLevel::NoAuthNoPriv:
        args.push_back("noAuthNoPriv");
        return args;
    case TSecurityLevel::AuthNoPriv:
        args.push_back("authNoPriv");
        break;
    case TSecurityLevel::AuthPriv:
        args.push_back("authPriv");
        break;
    }
    args.insert(args.end(),
                {"-a", u.Auth == TAuthProtocol::Md5 ? "MD5" : "SHA", "-A", u.AuthPassword});
    if (u.Level == TSecurityLevel::AuthPriv) {
        args.insert(args.end(),
                    {"-x", u.Priv == TPrivProtocol::Des ? "DES" : "AES", "-X", u.PrivPassword});
    }
    return args;
}

class UsmGet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Agent.Start(StandardSnmpdConfig())) << Agent.Log(); }

    void Prepare(TSnmpClient& client, const TUserCase& u) {
        client.Query.Clear();
        client.Query.Version = SnmpVersion3;
        client.Query.UserName = u.User;
        client.Query.SecurityLevel = u.Level;
        client.Query.AuthProtocol = u.Auth;
        client.Query.AuthPassword = u.AuthPassword;
        client.Query.PrivProtocol = u.Priv;
        client.Query.PrivPassword = u.PrivPassword;
        client.TargetHost = "127.0.0.1";
        client.TargetPort = Agent.PortText();
        client.Timeout = 1000;
    }

    TSnmpdRunner Agent;
};

} // namespace

TEST_F(UsmGet, EverySecurityLevelMatchesSnmpget) {
    std::vector<std::string> oids = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.5.0"};
    for (const TFixedOid& f : FixedOids()) {
        oids.push_back(f.Oid);
    }
    for (const TUserCase& u : Users) {
        SCOPED_TRACE(u.User);
        std::vector<std::string> args = SnmpgetArgs(u);
        args.push_back("127.0.0.1:" + Agent.PortText());
        args.insert(args.end(), oids.begin(), oids.end());
        std::vector<std::string> expected;
        std::string output;
        ASSERT_TRUE(RunSnmpGet(args, expected, &output)) << output;
        ASSERT_EQ(expected.size(), oids.size()) << output;

        TSnmpClient client;
        Prepare(client, u);
        for (const std::string& oid : oids) {
            client.Query.AddVariable(oid, "");
        }
        ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
        ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), oids.size());
        for (size_t i = 0; i < oids.size(); ++i) {
            EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Oid, oids[i]);
            EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Value, expected[i]) << oids[i];
        }
        EXPECT_EQ(client.Reply.Version, SnmpVersion3);
        EXPECT_FALSE(client.EngineId().empty());
    }
}

TEST_F(UsmGet, KeysAreLocalisedOnceAndLaterGetsTakeOneRoundTrip) {
    TSnmpClient client;
    for (int poll = 0; poll < 5; ++poll) {
        Prepare(client, Users[4]);
        client.Query.AddVariable(FixedOids()[0].Oid, "");
        ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
        EXPECT_EQ(client.Reply.Pdu.VarBinds[0].Value, "-42");
    }
    EXPECT_EQ(client.KeyLocalisations(), 1u);
    // Changing the password localises again; going back does too (only one key set is kept).
    Prepare(client, Users[3]);
    client.Query.AddVariable(FixedOids()[0].Oid, "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    EXPECT_EQ(client.KeyLocalisations(), 2u);
}

TEST_F(UsmGet, SecurityFailuresGiveErrorsAndNeverValues) {
    struct {
        const char* Name;
        TUserCase User;
        int32_t Code;
    } cases[] = {
        {"wrong auth password",
         {"shaaesuser", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "wrongpassword",
          TPrivProtocol::Aes128, "aespassword"},
         ErrorAuthenticationFailed},
        {"wrong auth protocol",
         {"md5user", TSecurityLevel::AuthNoPriv, TAuthProtocol::Sha1, "md5password",
          TPrivProtocol::Des, ""},
         ErrorAuthenticationFailed},
        {"wrong privacy password",
         {"shaaesuser", TSecurityLevel::AuthPriv, TAuthProtocol::Sha1, "shapassword",
          TPrivProtocol::Aes128, "wrongpassword"},
         ErrorTimedOut}, // snmpd drops what it cannot decode after decryption
        {"unknown user",
         {"nobody", TSecurityLevel::AuthNoPriv, TAuthProtocol::Md5, "md5password",
          TPrivProtocol::Des, ""},
         ErrorUnknownUser},
        {"level above the user's",
         {"noauthuser", TSecurityLevel::AuthNoPriv, TAuthProtocol::Md5, "md5password",
          TPrivProtocol::Des, ""},
         ErrorUnsupportedSecurityLevel},
        {"empty password",
         {"md5user", TSecurityLevel::AuthNoPriv, TAuthProtocol::Md5, "", TPrivProtocol::Des, ""},
         ErrorNotSentOrUndecodable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSnmpClient client;
        Prepare(client, c.User);
        client.Timeout = 300;
        client.Query.AddVariable(FixedOids()[0].Oid, "");
        EXPECT_FALSE(client.SendRequest());
        EXPECT_EQ(client.ErrorCode(), c.Code) << client.ErrorText();
        EXPECT_TRUE(client.Reply.Pdu.VarBinds.empty());
    }
}

TEST_F(UsmGet, ReplacedAgentIsDiscoveredAgain) {
    TSnmpClient client;
    Prepare(client, Users[3]);
    client.Query.AddVariable(FixedOids()[1].Oid, "");
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    std::string firstEngine = client.EngineId();
    ASSERT_TRUE(Agent.Restart()) << Agent.Log(); // a new engine id on the same port
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    EXPECT_EQ(client.Reply.Pdu.VarBinds[0].Value, "hello world");
    EXPECT_NE(client.EngineId(), firstEngine);
    EXPECT_EQ(client.KeyLocalisations(), 2u);
}

TEST(UsmRestart, RebootedAgentWithTheSameEngineIdKeepsTheKeys) {
    TSnmpdConfig config = StandardSnmpdConfig();
    config.EngineId = "plinvartest";
    TSnmpdRunner agent;
    ASSERT_TRUE(agent.Start(config)) << agent.Log();
    TSnmpClient client;
    client.Query.Version = SnmpVersion3;
    client.Query.UserName = "shauser";
    client.Query.SecurityLevel = TSecurityLevel::AuthNoPriv;
    client.Query.AuthProtocol = TAuthProtocol::Sha1;
    client.Query.AuthPassword = "shapassword";
    client.Query.AddVariable(FixedOids()[2].Oid, "");
    client.TargetPort = agent.PortText();
    client.Timeout = 1000;
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    std::string engine = client.EngineId();
    ASSERT_TRUE(agent.Restart()) << agent.Log();
    ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
    EXPECT_EQ(client.Reply.Pdu.VarBinds[0].Value, "4000000000");
    EXPECT_EQ(client.EngineId(), engine);
    EXPECT_EQ(client.KeyLocalisations(), 1u);
}
