// plinvar get, run as a real process against a private snmpd on 127.0.0.1: one line per
// variable in every security model, and failures with their error and a non-zero status.
#include "tests/cli/CliRun.h"
#include "tests/snmp/SnmpdRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GetCli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Agent = new snmptest::TSnmpdRunner();
        ASSERT_TRUE(Agent->Start(snmptest::StandardSnmpdConfig())) << Agent->Log();
    }
    static void TearDownTestSuite() {
        delete Agent;
        Agent = nullptr;
    }
    static std::string Target() { return "127.0.0.1:" + Agent->PortText(); }

    static snmptest::TSnmpdRunner* Agent;
};

snmptest::TSnmpdRunner* GetCli::Agent = nullptr;

TEST_F(GetCli, PrintsOneLinePerVariableInEverySecurityModel) {
    const std::vector<std::string> oids = {".1.3.6.1.4.1.99999.1.1.0", "1.3.6.1.4.1.99999.1.2.0"};
    const std::string expected = "1.3.6.1.4.1.99999.1.1.0 = INTEGER: -42\n"
                                 "1.3.6.1.4.1.99999.1.2.0 = STRING: \"hello world\"\n";
    struct Case {
        const char* Name;
        std::vector<std::string> Options;
    };
    const Case cases[] = {
        {"v1", {"-v", "1", "-c", "public"}},
        {"v2c", {"-v", "2c", "-c", "public"}},
        {"v3 noAuthNoPriv", {"-v", "3", "-u", "noauthuser", "-l", "noAuthNoPriv"}},
        {"v3 SHA",
         {"-v", "3", "-u", "shauser", "-l", "authNoPriv", "-a", "SHA", "-A", "shapassword"}},
        {"v3 MD5+DES",
         {"-v", "3", "-u", "md5desuser", "-l", "authPriv", "-a", "MD5", "-A", "md5password", "-x",
          "DES", "-X", "despassword"}},
        {"v3 SHA+AES",
         {"-v", "3", "-u", "shaaesuser", "-l", "authPriv", "-a", "SHA", "-A", "shapassword", "-x",
          "AES", "-X", "aespassword"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = c.Options;
        args.push_back(Target());
        args.insert(args.end(), oids.begin(), oids.end());
        const TCliRun run = RunCli("get", args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, expected);
    }
}

TEST_F(GetCli, FailuresGiveAnErrorAndNoValues) {
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        int Status;
    };
    const std::string oid = "1.3.6.1.4.1.99999.1.1.0";
    const Case cases[] = {
        // A wrong community gets no answer at all.
        {"wrong community", {"-v", "2c", "-c", "nobody", "-t", "0.3", Target(), oid}, 1},
        {"wrong password",
         {"-v", "3", "-u", "shauser", "-l", "authNoPriv", "-a", "SHA", "-A", "not the password",
          "-t", "0.5", Target(), oid},
         1},
        {"unknown user",
         {"-v", "3", "-u", "nobody", "-l", "noAuthNoPriv", "-t", "0.5", Target(), oid},
         1},
        {"bad version", {"-v", "4", Target(), oid}, 2},
        {"no OID", {Target()}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TCliRun run = RunCli("get", c.Args);
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_EQ(run.Out, "");
        EXPECT_FALSE(run.Err.empty());
    }
}

} // namespace
