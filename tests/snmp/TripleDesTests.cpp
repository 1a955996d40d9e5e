// Triple-DES privacy (draft-reeder-snmpv3-usm-3desede) against a second, independent
// implementation: a pysnmp agent, since snmpd offers no triple-DES.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "snmp/SnmpClient.h"
#include "tests/snmp/SnmpdRunner.h"

using namespace snmp;
using namespace snmptest;

namespace {

std::string ScriptPath() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind('/') + 1) + "pysnmp_agent.py";
}

// The pysnmp agent as a child process; it ends when its standard input closes.
class TPysnmpAgent {
public:
    ~TPysnmpAgent() { Stop(); }

    bool Start() {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            return false;
        }
        std::string script = ScriptPath();
        Child = ::fork();
        if (Child == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execl("/usr/bin/python3", "python3", script.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        Input = in[1];
        Output = out[0];
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{Output, POLLIN, 0};
            if (::poll(&pfd, 1, 100) <= 0) {
                continue;
            }
            char c;
            if (::read(Output, &c, 1) != 1) {
                return false;
            }
            if (c == '\n') {
                if (line.rfind("ready ", 0) == 0) {
                    Port = line.substr(6);
                    return true;
                }
                line.clear();
            } else {
                line.push_back(c);
            }
        }
        return false;
    }

    void Stop() {
        if (Input >= 0) {
            ::close(Input);
            Input = -1;
        }
        if (Output >= 0) {
            ::close(Output);
            Output = -1;
        }
        if (Child > 0) {
            for (int i = 0; i < 300 && ::waitpid(Child, nullptr, WNOHANG) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (::kill(Child, 0) == 0 && ::waitpid(Child, nullptr, WNOHANG) == 0) {
                ::kill(Child, SIGKILL);
                ::waitpid(Child, nullptr, 0);
            }
            Child = -1;
        }
    }

    std::string Port;

private:
    pid_t Child = -1;
    int Input = -1;
    int Output = -1;
};

bool PysnmpAvailable() {
    std::string output;
    return RunProgram({"/usr/bin/python3", "-c", "import pysnmp.entity.config"}, {}, output,
                      20000) == 0;
}

void Prepare(TSnmpClient& client, const std::string& port, const char* user, TAuthProtocol auth,
             const char* authPassword, TSecurityLevel level, const char* privPassword) {
    client.Query.Clear();
    client.Query.Version = SnmpVersion3;
    client.Query.UserName = user;
    client.Query.SecurityLevel = level;
    client.Query.AuthProtocol = auth;
    client.Query.AuthPassword = authPassword;
    client.Query.PrivProtocol = TPrivProtocol::TripleDes;
    client.Query.PrivPassword = privPassword;
    client.Query.AddVariable("1.3.6.1.2.1.1.1.0", "");
    client.Query.AddVariable("1.3.6.1.2.1.1.2.0", "");
    client.TargetHost = "127.0.0.1";
    client.TargetPort = port;
    client.Timeout = 2000;
}

} // namespace

TEST(TripleDes, PysnmpAgentAnswersEncryptedGets) {
    if (!PysnmpAvailable()) {
        GTEST_SKIP() << "pysnmp is not importable by /usr/bin/python3";
    }
    TPysnmpAgent agent;
    ASSERT_TRUE(agent.Start());

    // The reference values, read without privacy.
    TSnmpClient reference;
    Prepare(reference, agent.Port, "shauser", TAuthProtocol::Sha1, "shapassword",
            TSecurityLevel::AuthNoPriv, "");
    ASSERT_TRUE(reference.SendRequest()) << reference.ErrorText();
    ASSERT_EQ(reference.Reply.Pdu.VarBinds.size(), 2u);
    ASSERT_FALSE(reference.Reply.Pdu.VarBinds[0].Value.empty());

    struct {
        const char* User;
        TAuthProtocol Auth;
        const char* AuthPassword;
    } users[] = {{"md5des3user", TAuthProtocol::Md5, "md5password"},
                 {"shades3user", TAuthProtocol::Sha1, "shapassword"}};
    for (const auto& u : users) {
        SCOPED_TRACE(u.User);
        TSnmpClient client;
        for (int poll = 0; poll < 2; ++poll) {
            Prepare(client, agent.Port, u.User, u.Auth, u.AuthPassword, TSecurityLevel::AuthPriv,
                    "des3password");
            ASSERT_TRUE(client.SendRequest()) << client.ErrorText();
            ASSERT_EQ(client.Reply.Pdu.VarBinds.size(), 2u);
            for (size_t i = 0; i < 2; ++i) {
                EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Value,
                          reference.Reply.Pdu.VarBinds[i].Value);
                EXPECT_EQ(client.Reply.Pdu.VarBinds[i].Type, reference.Reply.Pdu.VarBinds[i].Type);
            }
        }
        EXPECT_EQ(client.KeyLocalisations(), 1u);
    }

    // A wrong privacy password never yields values.
    TSnmpClient wrong;
    Prepare(wrong, agent.Port, "shades3user", TAuthProtocol::Sha1, "shapassword",
            TSecurityLevel::AuthPriv, "wrongpassword");
    wrong.Timeout = 500;
    EXPECT_FALSE(wrong.SendRequest());
    EXPECT_NE(wrong.ErrorCode(), ErrorNotSentOrUndecodable) << wrong.ErrorText();
    EXPECT_TRUE(wrong.Reply.Pdu.VarBinds.empty());
}
