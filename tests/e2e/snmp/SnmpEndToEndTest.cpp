// The real server polling a real snmpd with the bundled example's request configuration and
// agent values, driven as the plug-in drives it: converted values arrive in the static tags,
// the link-state tag follows the agent going away and coming back, and Active := 0 ends the
// server and clears its slot.
#include "tests/e2e/common/ServerHost.h"
#include "tests/snmp/SnmpdRunner.h"

#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The example agent's values (examples/snmpd.conf) without its own address, community and
// users: the runner gives it a free port on the loopback address and community "public".
snmptest::TSnmpdConfig ExampleAgent() {
    snmptest::TSnmpdConfig config;
    std::ifstream file(fs::path(PLINVAR_EXAMPLES) / "snmpd.conf");
    std::string line;
    while (std::getline(file, line)) {
        for (const char* own : {"agentAddress", "rocommunity", "createUser", "rouser"}) {
            if (line.rfind(own, 0) == 0) {
                line.clear();
            }
        }
        if (!line.empty() && line[0] != '#') {
            config.ExtraLines.push_back(line);
        }
    }
    return config;
}

// One device of the example's type "default" (examples/Plinvar.xml): a GET of the system group
// and of fixed values of every integer type, a table read by value and one by OID.
std::string Configuration(const std::string& port) {
    return "<SNMP ThreadOnPort=\"False\" ErrorMngrDisabled=\"False\" GeneralCommandInterval="
           "\"6000\" AutoRunServer=\"-1\" CheckServerInterval=\"60\" RAPEnabled=\"False\" "
           "RAPPort=\"6042\" >\r\n"
           "   <device>\r\n"
           "      <session DeviceName=\"Example agent\" DeviceIPAddress=\"127.0.0.1\" "
           "DeviceAddress=\"1\" IPPort=\"" +
           port +
           "\" TimeOut=\"300\" RetryCount=\"1\" Enabled=\"TRUE\" RoutingPrefix=\"SNMP1\" "
           "ReqwestInterval=\"200\" PINGTimeOut=\"500\" ICMPOnConnect=\"FALSE\" "
           "VarConnectStateName=\"SNMP1_LINK\" CommandStateName=\"\" VarBlockCommand=\"\" "
           "RS232Port=\"COM1\" GETCommunity=\"public\" SETCommunity=\"private\" "
           "SNMPVersion=\"SNMPv2c\" SNMP_V3_UserName=\"\" SNMP_V3_Password=\"\" "
           "SNMPv3_Privacy_Password=\"\" SNMPv3_Flag=\"NoAuthNoPriv\" V3Auth=\"AuthMD5\" "
           "V3Priv=\"PrivDES\" RequestType=\"default\" />\r\n"
           "   </device>\r\n"
           "</SNMP>\r\n";
}

struct TTag {
    int32_t Address; // the example's vx_address
    float Bound1 = 0;
    float Scale = 0;
    bool Invert = false;
    float Expected; // in the static record; NaN: any value but the initial one
};

const float Any = std::numeric_limits<float>::quiet_NaN();

const std::vector<TTag> Tags = {
    {1, 0, 0, false, Any},       // sysUpTime in seconds
    {2, 0, 0, false, 72},        // sysServices
    {3, 0, 0, false, 1},         // its bit 6
    {4, 0, 5, false, 5},         // INTEGER 250 in tenths (25), divided by the tag's scale 5
    {5, 0, 0, false, 123456792}, // Counter32 123456789 as a single-precision number
    {6, 0, 0, false, 80},        // Gauge32 4000 as a percentage of 5000
    {7, 0, 0, false, 1},         // TimeTicks 360000 in hours
    {8, -100, 0, false, -1},     // INTEGER 65535 for a tag with a negative bound
    {9, 0, 0, true, 0},          // Min(250, 100) = 100, inverted by the tag
    {10, 0, 0, false, 3},        // values_table: the number of rows
    {11, 0, 0, false, 21.5f},    // row 1
    {12, 0, 0, false, 23},       // row 2
    {13, 0, 0, false, 19.8f},    // row 3
    {20, 0, 0, false, 1},        // oids_table: a processor is present
    {21, 0, 0, false, 1},        // a network interface is present
    {22, 0, 0, false, 0},        // no printer
};

constexpr float Initial = -12345.0f; // no device value here

class SnmpEndToEnd : public TServerHost {
protected:
    void SetUp() override {
        TServerHost::SetUp();
        ASSERT_TRUE(Agent.Start(ExampleAgent())) << Agent.Log();
        fs::copy_file(fs::path(PLINVAR_EXAMPLES) / "Plinvar.xml", Dir / "Plinvar.xml");
        WriteFile("Plinvar.cfg", Configuration(Agent.PortText()));
        WriteFile("Plinvar.ini", "[server]\ndelay_on_start=0\n");

        CreateBlock(int32_t(Tags.size()));
        int32_t id = 100;
        for (const TTag& tag : Tags) {
            AddStaticTag(id++, "SNMP1_" + std::to_string(tag.Address),
                         "SNMP1: DEVICE=1; ADDRESS=" + std::to_string(tag.Address), 0, tag.Bound1,
                         1e9f, tag.Scale, tag.Invert ? 1 : 0, Initial);
        }
        AddDynamicTag("SNMP1_LINK", 5.0f);
        Block->Info.SetPrefixes("SNMP1");
        StartServer();
    }

    void TearDown() override {
        TServerHost::TearDown();
        Agent.Stop();
    }

    float LinkState() { return DynamicValue("SNMP1_LINK"); }

    bool AllArrived() {
        for (size_t i = 0; i < Tags.size(); ++i) {
            if (StaticValue(int32_t(i)) == Initial) {
                return false;
            }
        }
        return true;
    }

    std::string Values() {
        std::ostringstream text;
        for (size_t i = 0; i < Tags.size(); ++i) {
            text << " " << Tags[i].Address << "=" << StaticValue(int32_t(i));
        }
        return text.str();
    }

    snmptest::TSnmpdRunner Agent;
};

TEST_F(SnmpEndToEnd, ConvertedValuesLinkStateAndStop) {
    ASSERT_TRUE(Eventually([&] { return AllArrived(); }, 10000)) << Values();
    for (size_t i = 0; i < Tags.size(); ++i) {
        if (std::isnan(Tags[i].Expected)) {
            EXPECT_GT(StaticValue(int32_t(i)), 0.0f) << "address " << Tags[i].Address;
        } else {
            EXPECT_FLOAT_EQ(StaticValue(int32_t(i)), Tags[i].Expected)
                << "address " << Tags[i].Address;
        }
    }
    EXPECT_TRUE(Eventually([&] { return LinkState() == 0.0f; }, 5000));

    // The agent goes away: after RetryCount + 1 failed polls the link is down; it comes back
    // and the next poll brings the link up again with fresh values.
    Agent.Stop();
    EXPECT_TRUE(Eventually([&] { return LinkState() == 1.0f; }, 8000));
    ASSERT_TRUE(Agent.Restart()) << Agent.Log();
    Block->StaticTags.SetValue(1, Initial, platform::Now());
    EXPECT_TRUE(Eventually([&] { return LinkState() == 0.0f; }, 8000));
    EXPECT_TRUE(Eventually([&] { return StaticValue(1) == 72.0f; }, 5000)) << Values();

    // Active := 0 ends the server, which clears its slot.
    Block->ServerData.SetActive(0);
    ASSERT_TRUE(ServerEnded(15000));
    EXPECT_EQ(Block->ServerData.GetProcessId(), 0u);
    EXPECT_EQ(Block->ServerData.GetWindowHandle(), 0u);
    EXPECT_EQ(Block->ServerData.GetActive(), 0);
}

} // namespace
