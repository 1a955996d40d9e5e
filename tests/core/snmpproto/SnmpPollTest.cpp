// SNMP devices polled through their real connection against a private snmpd: converted values
// of every integer type, table reads by value and by OID, the link state across an agent that
// stops and comes back, and devices of one type polled by two threads at once.
#include "tests/core/snmpproto/SnmpTestWorld.h"
#include "tests/snmp/SnmpdRunner.h"
#include "tests/snmp/TestAgent.h"

#include "core/errors/TerminalData.h"
#include "core/xml/TextValues.h"
#include "platform/AnsiText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <set>
#include <thread>

namespace {

using snmptest::TSnmpdRunner;

// Fixed values besides those of StandardSnmpdConfig (99999.1.x: -42, "hello world",
// Counter32 4000000000, Gauge32 123456, TimeTicks 987654, an OID, INTEGER 65535).
const std::vector<std::string> ExtraValues = {
    "override .1.3.6.1.4.1.99999.2.1.0 integer 250",
    "override .1.3.6.1.4.1.99999.2.2.0 counter 123456789",
    "override .1.3.6.1.4.1.99999.2.3.0 integer 0",
    // A table of three rows: its size, a column of tenths of a degree, a column of OIDs.
    "override .1.3.6.1.4.1.99999.3.1.0 integer 3",
    "override .1.3.6.1.4.1.99999.3.2.1 integer 215",
    "override .1.3.6.1.4.1.99999.3.2.2 integer 230",
    "override .1.3.6.1.4.1.99999.3.2.3 integer 198",
    "override .1.3.6.1.4.1.99999.3.3.1 object_id .1.3.6.1.2.1.25.3.1.3",
    "override .1.3.6.1.4.1.99999.3.3.2 object_id .1.3.6.1.2.1.25.3.1.4",
    "override .1.3.6.1.4.1.99999.3.3.3 object_id .1.3.6.1.2.1.25.3.1.3",
    "override .1.3.6.1.4.1.99999.3.9.0 integer 0",
};

const char* const ConversionRequests = R"(<snmp_dlm_driver>
  <snmp_device device_name="Values">
    <snmp_request type="normal">
      <v oid="1.3.6.1.4.1.99999.1.1.0" vx_address="1"/>
      <v oid=".1.3.6.1.4.1.99999.2.1.0" vx_address="2" expression="%VALUE%*0.1"/>
      <v oid="1.3.6.1.4.1.99999.2.2.0" vx_address="3"/>
      <v oid="1.3.6.1.4.1.99999.1.7.0" vx_address="4"/>
      <v oid="1.3.6.1.4.1.99999.1.7.0" vx_address="5"/>
      <v oid="1.3.6.1.4.1.99999.1.2.0" vx_address="6" defvalue="7"/>
      <v oid="1.3.6.1.4.1.99999.2.1.0" vx_address="7" defvalue="-5" expression="%value%/0"/>
      <v oid="1.3.6.1.4.1.99999.1.4.0" vx_address="8" expression="%VALUE%/1000"/>
      <v oid="1.3.6.1.4.1.99999.1.5.0" vx_address="9" defvalue="3" expression="'n%VALUE%'"/>
      <v oid="1.3.6.1.4.1.99999.2.1.0" vx_address="10" expression="%Value% = 250"/>
      <v oid="1.3.6.1.4.1.99999.1.3.0" vx_address="11"/>
      <v oid="1.3.6.1.4.1.99999.2.3.0" vx_address="12"/>
      <v oid="1.3.6.1.4.1.99999.1.1.0" vx_address="99"/>
      <v oid="1.3.6.1.4.1.99999.1.6.0" vx_address="13" defvalue="2.5"/>
    </snmp_request>
  </snmp_device>
  <snmp_device device_name="Tables">
    <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.3.1.0">
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="20" expression="%VALUE%*2"/>
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="21" expression="%VALUE%/10"/>
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="22" expression="%VALUE%/10"/>
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="23" expression="%VALUE%/10"/>
    </snmp_request>
    <snmp_request type="oids_table" oid_counter="1.3.6.1.4.1.99999.3.1.0"
                  oid_mask=".1.3.6.1.4.1.99999.3.3.%d">
      <k oid=".1.3.6.1.2.1.25.3.1.3" vx_address="30"/>
      <k oid="1.3.6.1.2.1.25.3.1.4" vx_address="31" defvalue="5"/>
      <k oid="1.3.6.1.2.1.25.3.1.5" vx_address="32" defvalue="7"/>
      <k oid="1.3.6.1.2.1.25.3.1.6" vx_address="33" defvalue="x"/>
    </snmp_request>
    <snmp_request type="values_table" oid_counter="1.3.6.1.4.1.99999.3.9.0">
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="40" expression="%VALUE%+5"/>
      <r oid="1.3.6.1.4.1.99999.3.2.%d" vx_address="41"/>
    </snmp_request>
  </snmp_device>
</snmp_dlm_driver>)";

// The value texts snmpget prints for these OIDs; an empty text where the agent has none.
std::vector<std::string> ReferenceValues(const TSnmpdRunner& agent,
                                         const std::vector<std::string>& oids) {
    std::vector<std::string> args = {"-v2c", "-c", "public", "-r",
                                     "0",    "-t", "5",      "127.0.0.1:" + agent.PortText()};
    args.insert(args.end(), oids.begin(), oids.end());
    std::vector<std::string> values;
    snmptest::RunSnmpGet(args, values);
    for (std::string& value : values) {
        int32_t number = 0;
        if (!TryTextToInt32(value, number)) {
            value.clear();
        }
    }
    values.resize(oids.size());
    return values;
}

class SnmpPoll : public TSnmpWorld {
protected:
    void SetUp() override {
        snmptest::TSnmpdConfig config = snmptest::StandardSnmpdConfig();
        config.ExtraLines.insert(config.ExtraLines.end(), ExtraValues.begin(), ExtraValues.end());
        ASSERT_TRUE(Agent.Start(config)) << Agent.Log();
    }

    TSNMP_Device* AddAgentDevice(const std::string& type,
                                 std::vector<std::pair<std::string, std::string>> more = {}) {
        more.insert(more.begin(),
                    {{"IPPort", Agent.PortText()}, {"RequestType", type}, {"TimeOut", "2000"}});
        return AddDevice(more);
    }

    TSnmpdRunner Agent;
};

TEST_F(SnmpPoll, NormalRequestDeliversConvertedValues) {
    InstallRequests(ConversionRequests);
    std::vector<TTagSpec> tags;
    for (int32_t address = 1; address <= 13; ++address) {
        tags.push_back(NumericTag("SNMP1", address));
    }
    tags[3].Bound1 = -100;  // address 4: a signed 16-bit quantity
    tags[10].Scale = 1000;  // address 11
    tags[11].Invert = true; // address 12
    MakeBlock(tags);
    TSNMP_Device* device = AddAgentDevice("values");

    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    const std::vector<std::pair<int32_t, float>> expected = {
        {1, -42.0f},         // INTEGER
        {2, 25.0f},          // 250 * 0.1
        {3, 123456792.0f},   // Counter32 123456789: the nearest single-precision number
        {4, -1.0f},          // INTEGER 65535 for a tag with a negative bound
        {5, 65535.0f},       // the same for a tag without one
        {7, -5.0f},          // division by zero: the default value
        {8, 123.456f},       // Gauge32 123456 / 1000
        {9, 3.0f},           // a text result: the default value
        {10, -1.0f},         // a Boolean result: true is -1
        {11, 4000000000.0f}, // Counter32 beyond the signed range
        {12, 0.0f},
    };
    const auto queued = Queued(Received);
    ASSERT_EQ(queued.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(queued[i].first, expected[i].first);
        EXPECT_FLOAT_EQ(queued[i].second, expected[i].second) << "address " << expected[i].first;
    }
    for (int32_t i = 0; i < Received.Count(); ++i) {
        EXPECT_EQ(Received.Item(i)->Prefix, "SNMP1");
        EXPECT_EQ(Received.Item(i)->Device, 1);
        EXPECT_EQ(Received.Item(i)->StrAddress, "");
    }
    const auto lines = TerminalLines(device);
    bool divisionLogged = false;
    for (const auto& line : lines) {
        divisionLogged |= line.rfind("Evaluation error(%value%/0): ", 0) == 0 &&
                          line.size() > std::string("Evaluation error(%value%/0): ").size();
    }
    EXPECT_TRUE(divisionLogged) << device->RequestTerminal.GetText();
    EXPECT_TRUE(HasLine(device, "Evaluation exception: 'n%VALUE%'"));
    EXPECT_TRUE(HasLine(device, "SNMP request to 127.0.0.1"));
    EXPECT_TRUE(HasLine(device, "Write to device: Index=0 REQ_OK"));
    EXPECT_TRUE(HasLine(device, "READING OK --------------"));

    // The flush divides by the tag's scale and applies its inversion.
    ASSERT_TRUE(FlushReceived(Received));
    EXPECT_FLOAT_EQ(Block->StaticValue(1), 25.0f);
    EXPECT_FLOAT_EQ(Block->StaticValue(3), -1.0f);
    EXPECT_FLOAT_EQ(Block->StaticValue(10), 4000000.0f);
    EXPECT_FLOAT_EQ(Block->StaticValue(11), 1.0f);
    EXPECT_FLOAT_EQ(Block->StaticValue(5), -1.0f); // the OCTET STRING left the tag alone
}

TEST_F(SnmpPoll, TablesByValueAndByOid) {
    InstallRequests(ConversionRequests);
    std::vector<TTagSpec> tags;
    for (int32_t address : {20, 21, 22, 23, 40, 41}) {
        tags.push_back(NumericTag("SNMP1", address));
    }
    MakeBlock(tags);
    TSNMP_Device* device = AddAgentDevice("TABLES", {{"SNMPVersion", "SNMPv1"}});

    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    const std::vector<std::pair<int32_t, float>> expected = {
        // values_table: the size to variable 0, row k to variable k
        {20, 6.0f},
        {21, 21.5f},
        {22, 23.0f},
        {23, 19.8f},
        // oids_table: 1 where a row holds the OID, else the default value as an integer
        {30, 1.0f},
        {31, 1.0f},
        {32, 7.0f},
        {33, 0.0f},
        // a table of no rows: only its size, through variable 0's expression
        {40, 5.0f},
    };
    const auto queued = Queued(Received);
    ASSERT_EQ(queued.size(), expected.size()) << device->RequestTerminal.GetText();
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(queued[i].first, expected[i].first);
        EXPECT_FLOAT_EQ(queued[i].second, expected[i].second) << "address " << expected[i].first;
    }
    for (int32_t step = 0; step < 3; ++step) {
        EXPECT_TRUE(HasLine(device, "Write to device: Index=" + std::to_string(step) + " REQ_OK"));
    }
}

TEST_F(SnmpPoll, IfTableOneValuePerRow) {
    // What the agent's own interfaces table holds, as the reference client reads it.
    const std::vector<std::string> count = ReferenceValues(Agent, {"1.3.6.1.2.1.2.1.0"});
    int32_t rows = 0;
    ASSERT_TRUE(TryTextToInt32(count[0], rows));
    ASSERT_GT(rows, 0);
    rows = std::min(rows, 64);
    std::vector<std::string> typeOids;
    for (int32_t row = 1; row <= rows; ++row) {
        typeOids.push_back("1.3.6.1.2.1.2.2.1.3." + std::to_string(row));
    }
    const std::vector<std::string> types = ReferenceValues(Agent, typeOids);

    // values_table: variable 0 gets ifNumber, variable r the ifType of row r. oids_table over
    // the ifType column: a variable gets 1 when some row has its value.
    std::string xml = "<snmp_dlm_driver><snmp_device device_name=\"if\">"
                      "<snmp_request type=\"values_table\" oid_counter=\"1.3.6.1.2.1.2.1.0\">";
    for (int32_t i = 0; i <= rows; ++i) {
        xml += "<r oid=\"1.3.6.1.2.1.2.2.1.3.%d\" vx_address=\"" + std::to_string(100 + i) + "\"/>";
    }
    xml += "</snmp_request><snmp_request type=\"oids_table\" oid_counter=\"1.3.6.1.2.1.2.1.0\" "
           "oid_mask=\"1.3.6.1.2.1.2.2.1.3.%d\">";
    std::set<std::string> present;
    for (const std::string& type : types) {
        if (!type.empty()) {
            present.insert(type);
        }
    }
    std::vector<std::string> searched(present.begin(), present.end());
    searched.push_back("99999");
    for (size_t i = 0; i < searched.size(); ++i) {
        xml += "<k oid=\"" + searched[i] + "\" vx_address=\"" + std::to_string(200 + i) +
               "\" defvalue=\"-3\"/>";
    }
    xml += "</snmp_request></snmp_device></snmp_dlm_driver>";
    InstallRequests(xml);
    std::vector<TTagSpec> tags;
    for (int32_t i = 0; i <= rows; ++i) {
        tags.push_back(NumericTag("IF", 100 + i));
    }
    MakeBlock(tags);
    TSNMP_Device* device = AddAgentDevice("if", {{"RoutingPrefix", "if"}});

    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    std::vector<std::pair<int32_t, float>> expected = {{100, float(std::stoi(count[0]))}};
    for (int32_t row = 1; row <= rows; ++row) {
        if (!types[size_t(row - 1)].empty()) { // a row the agent does not have delivers nothing
            expected.emplace_back(100 + row, float(std::stoi(types[size_t(row - 1)])));
        }
    }
    for (size_t i = 0; i < searched.size(); ++i) {
        expected.emplace_back(int32_t(200 + i), i + 1 < searched.size() ? 1.0f : -3.0f);
    }
    EXPECT_EQ(Queued(Received), expected) << device->RequestTerminal.GetText();
}

TEST_F(SnmpPoll, LinkStateFollowsTheAgent) {
    InstallRequests(ConversionRequests);
    MakeBlock({NumericTag("SNMP1", 1)});
    Block->AddDynamicTag("SNMP1_LINK");
    TSNMP_Device* device = AddAgentDevice(
        "Values", {{"RetryCount", "2"}, {"TimeOut", "200"}, {"VarConnectStateName", "SNMP1_LINK"}});
    const std::string lost = "SNMP agent: " + Ansi("Потеря связи с устройством.");

    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    EXPECT_FLOAT_EQ(Block->DynamicValue("SNMP1_LINK"), 0.0f);
    Received.FreeAll();

    Agent.Stop();
    for (int32_t failure = 1; failure <= 3; ++failure) {
        SCOPED_TRACE("failure " + std::to_string(failure));
        EXPECT_FALSE(Poll(device));
        EXPECT_EQ(Received.Count(), 0);
        // No reply in time: the device adds no line of its own, and the re-read finds nothing.
        EXPECT_TRUE(HasLine(device, "!!!Invalid received data!. Index = 0 Code = -12 Length = 6"))
            << device->RequestTerminal.GetText();
        EXPECT_FALSE(HasLine(device, Ansi("Устройство не поддерживает SNMP или ошибка в ответе! "
                                          "Код = 10060")));
        // The tag goes down on the (RetryCount + 1)-th failure, and the loss is reported once.
        EXPECT_FLOAT_EQ(Block->DynamicValue("SNMP1_LINK"), failure <= 2 ? 0.0f : 1.0f);
        EXPECT_EQ(Block->Reporter->CountOf(-1), failure <= 2 ? 0 : 1);
    }
    EXPECT_FALSE(Poll(device));
    EXPECT_EQ(Block->Reporter->CountOf(-1), 1);

    ASSERT_TRUE(Agent.Restart()) << Agent.Log();
    ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
    EXPECT_FLOAT_EQ(Block->DynamicValue("SNMP1_LINK"), 0.0f);
    EXPECT_EQ(Queued(Received), (std::vector<std::pair<int32_t, float>>{{1, -42.0f}}));
    for (const auto& report : Block->Reporter->Reports()) {
        EXPECT_EQ(report.second, lost);
    }
}

TEST_F(SnmpPoll, SnmpV3Device) {
    InstallRequests(ConversionRequests);
    MakeBlock({NumericTag("SNMP1", 1), NumericTag("SNMP1", 2)});
    TSNMP_Device* device = AddAgentDevice("Values", {{"SNMPVersion", "SNMPv3"},
                                                     {"SNMP_V3_UserName", "shaaesuser"},
                                                     {"SNMP_V3_Password", "shapassword"},
                                                     {"SNMPv3_Privacy_Password", "aespassword"},
                                                     {"SNMPv3_Flag", "AuthPriv"},
                                                     {"V3Auth", "AuthSHA1"},
                                                     {"V3Priv", "PrivAES"}});
    for (int poll = 0; poll < 2; ++poll) {
        ASSERT_TRUE(Poll(device)) << device->RequestTerminal.GetText();
        EXPECT_EQ(Queued(Received),
                  (std::vector<std::pair<int32_t, float>>{{1, -42.0f}, {2, 25.0f}}));
        Received.FreeAll();
    }
    // A wrong password is an SNMP failure with its code, not a missing reply.
    TSNMP_Device* other = AddAgentDevice("Values", {{"SNMPVersion", "SNMPv3"},
                                                    {"SNMP_V3_UserName", "shaaesuser"},
                                                    {"SNMP_V3_Password", "wrongpassword"},
                                                    {"SNMPv3_Privacy_Password", "aespassword"},
                                                    {"SNMPv3_Flag", "AuthPriv"},
                                                    {"V3Auth", "AuthSHA1"},
                                                    {"V3Priv", "PrivAES"}});
    EXPECT_FALSE(Poll(other));
    EXPECT_TRUE(HasLine(other, Ansi("Устройство не поддерживает SNMP или ошибка в ответе! Код = ") +
                                   std::to_string(snmp::ErrorAuthenticationFailed)))
        << other->RequestTerminal.GetText();
    EXPECT_EQ(Received.Count(), 0);
}

// Devices of one type on two threads: each poll searches the table with its own working values,
// so one agent's rows never mark the other device's variables.
TEST_F(SnmpPoll, ThreadsKeepTheirOwnWorkingValues) {
    InstallRequests(ConversionRequests);
    snmptest::TTestAgent other;
    ASSERT_TRUE(other.Start());
    other.SetValue("1.3.6.1.4.1.99999.3.1.0", snmp::TagInteger, "1");
    other.SetValue("1.3.6.1.4.1.99999.3.3.1", snmp::TagObjectId, "1.3.6.1.2.1.25.3.1.5");
    other.SetValue("1.3.6.1.4.1.99999.3.9.0", snmp::TagInteger, "0");
    MakeBlock({});

    TMyDeviceList secondList(Driver);
    TSNMP_Device* first = AddAgentDevice("Tables");
    TSNMP_Device* second = AddDevice(secondList, {{"IPPort", other.PortText()},
                                                  {"RequestType", "Tables"},
                                                  {"TimeOut", "2000"},
                                                  {"RoutingPrefix", "SNMP2"}});
    auto kinds = [](const TReceiveVariables& received) {
        std::map<int32_t, float> found;
        for (const auto& [address, value] : Queued(received)) {
            if (address >= 30 && address <= 33) {
                found[address] = value;
            }
        }
        return found;
    };
    const std::map<int32_t, float> firstKinds{{30, 1}, {31, 1}, {32, 7}, {33, 0}};
    const std::map<int32_t, float> secondKinds{{30, 0}, {31, 5}, {32, 1}, {33, 0}};

    std::atomic<int> firstFailures{0};
    std::atomic<int> secondFailures{0};
    auto run = [&](TSNMP_Device* device, TMyDeviceList& list, const std::map<int32_t, float>& want,
                   std::atomic<int>& failures) {
        TReceiveVariables received;
        for (int poll = 0; poll < 25; ++poll) {
            if (!device->Poll(list, received) || kinds(received) != want) {
                ++failures;
            }
            received.FreeAll();
        }
    };
    std::thread a(run, first, std::ref(Devices), std::cref(firstKinds), std::ref(firstFailures));
    std::thread b(run, second, std::ref(secondList), std::cref(secondKinds),
                  std::ref(secondFailures));
    a.join();
    b.join();
    EXPECT_EQ(firstFailures, 0);
    EXPECT_EQ(secondFailures, 0);
    secondList.FreeAll();
}

} // namespace
