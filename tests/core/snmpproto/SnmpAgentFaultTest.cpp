// SNMP devices against the misbehaving loopback agent and against configurations a poll cannot
// run: every failure takes its own path (result code, terminal line, link state), and no late,
// foreign or refused reply is ever delivered as a value.
#include "tests/core/snmpproto/SnmpTestWorld.h"
#include "tests/snmp/TestAgent.h"

#include "core/errors/TerminalData.h"
#include "core/snmpproto/DrvSnmpRequest.h"
#include "core/snmpproto/RequestConfiguration.h"
#include "platform/AnsiText.h"
#include "snmp/SnmpClient.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

using namespace snmptest;

const std::string Good = "1.3.6.1.4.1.99999.1.1.0"; // INTEGER -42 at the agent

// A device type per misbehaviour: the misbehaving OID first (the agent looks at the first
// variable), a good one after it.
std::string Requests() {
    struct TType {
        const char* Name;
        const char* Oid;
    };
    const TType types[] = {
        {"NoAnswer", misbehave::NoAnswer},
        {"LateAnswer", misbehave::LateAnswer},
        {"WrongRequestId", misbehave::WrongRequestId},
        {"OtherPort", misbehave::OtherPort},
        {"Truncated", misbehave::Truncated},
        {"Malformed", misbehave::Malformed},
        {"WrongEngineTime", misbehave::WrongEngineTime},
        {"UnknownUserReport", misbehave::UnknownUserReport},
        {"WrongDigest", misbehave::WrongDigest},
        {"ResyncOnce", misbehave::ResyncOnce},
    };
    std::string xml = "<snmp_dlm_driver>";
    for (const TType& type : types) {
        xml += std::string("<snmp_device device_name=\"") + type.Name +
               "\"><snmp_request><v oid=\"" + type.Oid + "\" vx_address=\"1\"/><v oid=\"" + Good +
               "\" vx_address=\"2\"/></snmp_request></snmp_device>";
    }
    xml += R"(
      <snmp_device device_name="good">
        <snmp_request><v oid="1.3.6.1.2.1.1.3.0" vx_address="3"/></snmp_request>
      </snmp_device>
      <snmp_device device_name="values size unanswered">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.9.1.0">
          <v oid="1.3.6.1.4.1.99999.5.%d" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="values size malformed">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.9.6.0">
          <v oid="1.3.6.1.4.1.99999.5.%d" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="oids size unanswered">
        <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.9.1.0"
                      oid_mask="1.3.6.1.4.1.99999.6.%d">
          <v oid="1.3.6.1.4.1.99999.7" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="oids size malformed">
        <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.9.6.0"
                      oid_mask="1.3.6.1.4.1.99999.6.%d">
          <v oid="1.3.6.1.4.1.99999.7" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="no oid">
        <snmp_request><v oid="1.3.6.1.2.1.1.3.0" vx_address="1"/><v vx_address="2"/></snmp_request>
      </snmp_device>
      <snmp_device device_name="values without counter">
        <snmp_request type="values_table"><v oid="1.3.6.1.4.1.99999.5.%d"/></snmp_request>
      </snmp_device>
      <snmp_device device_name="oids without counter">
        <snmp_request type="oids_table" oid_mask="1.3.6.1.4.1.99999.6.%d"/>
      </snmp_device>
      <snmp_device device_name="oids without mask">
        <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.4.1.0">
          <v oid="1.3.6.1.4.1.99999.7" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="values with a text template">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.4.1.0">
          <v oid="1.3.6.1.4.1.99999.5.%s" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="size 1025">
        <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.4.2.0"
                      oid_mask="1.3.6.1.4.1.99999.6.%d"/>
      </snmp_device>
      <snmp_device device_name="size 1024">
        <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.4.3.0"
                      oid_mask="1.3.6.1.4.1.99999.6.%d">
          <v oid="1.3.6.1.4.1.99999.7" vx_address="1"/>
          <v oid="" vx_address="2" defvalue="4"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="size as text">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.4.4.0">
          <v oid="1.3.6.1.4.1.99999.5.%d" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="size missing">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.4.5.0">
          <v oid="1.3.6.1.4.1.99999.5.%d" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="size -1">
        <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.4.6.0">
          <v oid="1.3.6.1.4.1.99999.5.%d" vx_address="1"/>
        </snmp_request>
      </snmp_device>
      <snmp_device device_name="no requests"/>
    </snmp_dlm_driver>)";
    return xml;
}

class SnmpAgentFaults : public TSnmpWorld {
protected:
    void SetUp() override {
        ASSERT_TRUE(Agent.Start());
        Agent.SetValue("1.3.6.1.4.1.99999.4.1.0", snmp::TagInteger, "2");
        Agent.SetValue("1.3.6.1.4.1.99999.4.2.0", snmp::TagGauge32, "1025");
        Agent.SetValue("1.3.6.1.4.1.99999.4.3.0", snmp::TagGauge32, "1024");
        Agent.SetValue("1.3.6.1.4.1.99999.4.4.0", snmp::TagOctetString, "3");
        Agent.SetValue("1.3.6.1.4.1.99999.4.6.0", snmp::TagInteger, "-1");
        Agent.SetValue("1.3.6.1.4.1.99999.6.2", snmp::TagObjectId, "1.3.6.1.4.1.99999.7");
        InstallRequests(Requests());
        MakeBlock({NumericTag("SNMP1", 1), NumericTag("SNMP1", 2), NumericTag("SNMP1", 3)});
        Block->AddDynamicTag("LINK");
    }

    TSNMP_Device* AgentDevice(const std::string& type, bool v3 = false) {
        std::vector<std::pair<std::string, std::string>> properties = {
            {"IPPort", Agent.PortText()},
            {"RequestType", type},
            {"TimeOut", "250"},
            {"VarConnectStateName", "LINK"}};
        if (v3) {
            properties.insert(properties.end(), {{"SNMPVersion", "SNMPv3"},
                                                 {"SNMP_V3_UserName", "agentuser"},
                                                 {"SNMP_V3_Password", "agentauthpass"},
                                                 {"SNMPv3_Privacy_Password", "agentprivpass"},
                                                 {"SNMPv3_Flag", "AuthPriv"},
                                                 {"V3Auth", "AuthSHA1"},
                                                 {"V3Priv", "PrivAES"}});
        }
        return AddDevice(properties);
    }

    // Step 0 of the device's type, called as the poll calls it; the device's terminal lines.
    int32_t ParseStep(TSNMP_Device* device, std::vector<std::string>& lines, int32_t step = 0) {
        TSNMPConnection connection(*device->Properties);
        TTerminalDataClass terminal;
        const int32_t code =
            device->ParseReadAnswer(connection, step, Received, "REQ_OK", &terminal);
        lines = Lines(terminal.GetText());
        return code;
    }

    TTestAgent Agent;
};

std::string SnmpFailure(int32_t code) {
    return Ansi("Устройство не поддерживает SNMP или ошибка в ответе! Код = ") +
           std::to_string(code);
}

TEST_F(SnmpAgentFaults, EveryMisbehaviourFailsItsOwnWay) {
    struct TCase {
        const char* Type;
        bool V3;
        int32_t Result;
        std::vector<std::string> Lines; // of the device itself
    };
    const TCase cases[] = {
        {"NoAnswer", false, -1, {}},
        {"LateAnswer", false, -1, {}},
        {"WrongRequestId", false, -1, {}},
        {"OtherPort", false, -1, {}},
        {"Truncated", false, -13, {SnmpFailure(snmp::ErrorNotSentOrUndecodable)}},
        {"Malformed", false, -13, {SnmpFailure(snmp::ErrorNotSentOrUndecodable)}},
        {"NoAnswer", true, -1, {}},
        {"WrongRequestId", true, -1, {}},
        {"WrongEngineTime", true, -13, {SnmpFailure(snmp::ErrorNotInTimeWindow)}},
        {"UnknownUserReport", true, -13, {SnmpFailure(snmp::ErrorUnknownUser)}},
        {"WrongDigest", true, -13, {SnmpFailure(snmp::ErrorAuthenticationFailed)}},
        {"values size unanswered",
         false,
         -13,
         {Ansi("Ошибка при запросе SNMP данных! Код = 10060 Индекс = 0")}},
        {"values size malformed",
         false,
         -13,
         {Ansi("Ошибка при запросе SNMP данных! Код = 0 Индекс = 0")}},
        {"oids size unanswered", false, -1, {}},
        {"oids size malformed", false, -13, {SnmpFailure(snmp::ErrorNotSentOrUndecodable)}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Type) + (c.V3 ? " (SNMPv3)" : ""));
        Devices.FreeAll();
        TSNMP_Device* device = AgentDevice(c.Type, c.V3);
        std::vector<std::string> lines;
        EXPECT_EQ(ParseStep(device, lines), c.Result);
        EXPECT_EQ(lines, c.Lines);
        EXPECT_EQ(Received.Count(), 0);

        // Polled: after a success the link goes down at the first failure (no retries), the
        // re-read of the consumed token ends the step with -12, and nothing is delivered.
        Set(device, "RequestType", "good");
        ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
        EXPECT_FLOAT_EQ(Block->DynamicValue("LINK"), 0.0f);
        Received.FreeAll();
        Set(device, "RequestType", c.Type);
        EXPECT_FALSE(Poll(device));
        EXPECT_TRUE(HasLine(device, "!!!Invalid received data!. Index = 0 Code = -12 Length = 6"))
            << device->RequestTerminal.GetText();
        for (const std::string& line : c.Lines) {
            EXPECT_TRUE(HasLine(device, line));
        }
        EXPECT_FLOAT_EQ(Block->DynamicValue("LINK"), 1.0f);
        EXPECT_EQ(Received.Count(), 0);
    }
}

TEST_F(SnmpAgentFaults, LateReplyIsNeverTakenForTheNextPoll) {
    Agent.LateMs = 600;
    TSNMP_Device* device = AgentDevice("LateAnswer");
    EXPECT_FALSE(Poll(device));
    // The late reply (with -42 for the good variable) arrives while the next poll waits.
    Set(device, "RequestType", "good");
    Set(device, "TimeOut", "2000");
    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{3, 4242.0f}}));
}

TEST_F(SnmpAgentFaults, EngineResynchronisationIsNoFailure) {
    TSNMP_Device* device = AgentDevice("ResyncOnce", true);
    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    // The first variable is no object of the agent: only the good one is delivered.
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{2, -42.0f}}));
}

TEST_F(SnmpAgentFaults, RequestsThePollCannotRun) {
    struct TCase {
        const char* Type;
        int32_t Result;
        std::vector<std::string> Lines;
        bool Sent; // whether anything reached the agent
    };
    const TCase cases[] = {
        {"no oid", -1, {Ansi("Ошибка конфигурации: Ошибка при создании буфера запроса")}, false},
        {"values without counter", -1, {Ansi("Ошибка конфигурации таблицы!")}, false},
        {"oids without counter", -1, {Ansi("Ошибка при чтении размера таблицы!")}, false},
        {"oids without mask", -13, {Ansi("Ошибка при создании запроса на чтение таблицы")}, true},
        {"values with a text template",
         -13,
         {Ansi("Ошибка при создании запроса на чтение таблицы")},
         true},
        {"size 1025", -13, {Ansi("Получен невозможный размер таблицы")}, true},
        {"size as text", -13, {Ansi("Получен невозможный размер таблицы")}, true},
        {"size missing", -13, {Ansi("Получен невозможный размер таблицы")}, true},
        {"size -1", -13, {Ansi("Получен невозможный размер таблицы")}, true},
        {"size 1024", 0, {}, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Type);
        Devices.FreeAll();
        Received.FreeAll();
        TSNMP_Device* device = AgentDevice(c.Type);
        const int before = Agent.Requests;
        std::vector<std::string> lines;
        EXPECT_EQ(ParseStep(device, lines), c.Result);
        EXPECT_EQ(lines, c.Lines);
        EXPECT_EQ(Agent.Requests > before, c.Sent);
    }
    // 1024 rows went in one request after the size; row 2 names the searched OID. A variable
    // without an OID is not found by a row the agent does not have.
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{1, 1.0f}, {2, 4.0f}}));

    // A step beyond the type's requests.
    Devices.FreeAll();
    TSNMP_Device* device = AgentDevice("good");
    std::vector<std::string> lines;
    EXPECT_EQ(ParseStep(device, lines, 1), -1);
    EXPECT_EQ(ParseStep(device, lines, -1), -1);
}

TEST_F(SnmpAgentFaults, DeviceTypeMissingOrEmptyPollsNothing) {
    struct TCase {
        const char* Type;
        bool Installed;
        bool Logged;
    };
    const TCase cases[] = {
        {"no requests", true, false},
        {"unknown", true, true},
        {"good", false, true}, // no request configuration at all
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Type);
        if (!c.Installed) {
            ReleaseRequestConfiguration();
        }
        Devices.FreeAll();
        TSNMP_Device* device = AgentDevice(c.Type);
        const int before = Agent.Requests;
        EXPECT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
        EXPECT_EQ(HasLine(device, Ansi("Список запросов не определен!")), c.Logged);
        EXPECT_FALSE(HasLine(device, "Write to device: Index=0 REQ_OK"));
        EXPECT_EQ(Agent.Requests, before);
    }
}

// The ICMP check runs before every poll: an address it cannot check fails the poll before any
// SNMP traffic, the same address without the check reaches the agent.
TEST_F(SnmpAgentFaults, IcmpCheckBeforeThePoll) {
    // PingHost refuses this form of the loopback address without sending; the SNMP client's
    // resolver reads it as 127.0.0.1.
    TSNMP_Device* device = AgentDevice("good");
    Set(device, "DeviceIPAddress", "127.0.0.01");
    int before = Agent.Requests;
    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    EXPECT_GT(Agent.Requests, before);
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{3, 4242.0f}}));
    Received.FreeAll();

    Set(device, "ICMPOnConnect", "TRUE");
    before = Agent.Requests;
    EXPECT_FALSE(Poll(device));
    EXPECT_EQ(Agent.Requests, before);
    EXPECT_EQ(Received.Count(), 0);
    EXPECT_TRUE(HasLine(device, "127.0.0.01: " + Ansi("Ошибка контроля связи по протоколу ICMP. "
                                                      "Устройство не доступно.")));
    EXPECT_TRUE(HasLine(device, Ansi("Ошибка установки соединения с устройством.")));
    EXPECT_FALSE(HasLine(device, "CONNECTION ----------------"));
    EXPECT_FLOAT_EQ(Block->DynamicValue("LINK"), 1.0f);

    // Where this machine allows ICMP sockets, the loopback address answers the check.
    bool icmpAllowed = false;
    for (int type : {SOCK_DGRAM, SOCK_RAW}) {
        const int probe = ::socket(AF_INET, type, IPPROTO_ICMP);
        if (probe >= 0) {
            ::close(probe);
            icmpAllowed = true;
        }
    }
    if (!icmpAllowed) {
        GTEST_SKIP() << "no ICMP socket allowed here";
    }
    Set(device, "DeviceIPAddress", "127.0.0.1");
    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    EXPECT_TRUE(HasLine(device, "127.0.0.1: " + Ansi("ICMP запрос прошел успешно!")));
    EXPECT_FLOAT_EQ(Block->DynamicValue("LINK"), 0.0f);
}

// Replies are matched to the query by position: a variable answered with another OID than
// was asked for at its place is not this request's answer and delivers nothing.
TEST_F(SnmpAgentFaults, ForeignVariablesInAReplyAreNotDelivered) {
    TSNMP_Device device;
    device.RoutingPrefix = "SNMP1";
    device.DeviceAddress = 1;
    TSNMPDeviceList list;
    std::string error;
    ASSERT_TRUE(list.LoadFromText(
        R"(<snmp_dlm_driver><snmp_device device_name="t">
             <snmp_request><v oid="1.3.6.1.9.1" vx_address="1"/><v oid="1.3.6.1.9.2"
               vx_address="2"/><v oid="1.3.6.01.9.3" vx_address="3"/></snmp_request>
             <snmp_request type="oids_table" oid_counter="1.3.6.1.9.0" oid_mask="1.3.6.1.9.%d">
               <v oid="1.3.6.1.8" vx_address="1"/><v oid="1.3.6.1.7" vx_address="2"/>
             </snmp_request></snmp_device></snmp_dlm_driver>)",
        error))
        << error;
    TSNMPRequestItem normal(*list.Item(0)->Requests.Item(0));
    snmp::TSnmpMessage query;
    snmp::TSnmpMessage reply;
    ASSERT_TRUE(normal.BuildGetRequest(query));
    normal.ResetValues();
    reply.AddVariable("1.3.6.1.9.1", "11", snmp::TagInteger);
    reply.AddVariable("1.3.6.1.9.7", "12", snmp::TagInteger); // not asked for
    reply.AddVariable("1.3.6.1.9.3", "13", snmp::TagInteger); // asked with a leading zero
    reply.AddVariable("1.3.6.1.9.4", "14", snmp::TagInteger); // beyond the variables
    EXPECT_TRUE(device.ProcessReply(normal, query, reply, nullptr, Received));
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{1, 11.0f}, {3, 13.0f}}));
    EXPECT_EQ(normal.Items.Item(1)->CurrentValue, "0"); // still its default

    Received.FreeAll();
    TSNMPRequestItem table(*list.Item(0)->Requests.Item(1));
    query.Clear();
    reply.Clear();
    ASSERT_TRUE(table.BuildSizeRequest(query));
    ASSERT_TRUE(table.BuildTableRequest(2, query));
    table.ResetValues();
    reply.AddVariable("1.3.6.1.9.0", "2", snmp::TagInteger);
    reply.AddVariable("1.3.6.1.9.1", "1.3.6.1.8", snmp::TagObjectId);
    reply.AddVariable("1.3.6.1.5.5", "1.3.6.1.7", snmp::TagObjectId); // not a row asked for
    EXPECT_TRUE(device.ProcessReply(table, query, reply, nullptr, Received));
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{1, 1.0f}, {2, 0.0f}}));
}

TEST(SnmpTableSize, FromTheLastMatchingIntegerVariable) {
    snmp::TSnmpMessage reply;
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), -1);
    reply.AddVariable("1.3.6.1.1.0", "5", snmp::TagInteger);
    reply.AddVariable("1.3.6.1.2.0", "9", snmp::TagInteger);
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), 5);
    reply.AddVariable("1.3.6.1.1.0", "7", snmp::TagTimeTicks);
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), 7);
    reply.AddVariable("1.3.6.1.1.0", "4294967295", snmp::TagCounter32); // no signed 32-bit number
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), -1);
    reply.AddVariable("1.3.6.1.1.0", "8", snmp::TagOctetString);
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), -1);
    reply.AddVariable("1.3.6.1.1.0", "8", snmp::TagGauge32);
    EXPECT_EQ(TSNMP_Device::ReadTableSize("1.3.6.1.1.0", reply, -1), 8);
}

} // namespace
