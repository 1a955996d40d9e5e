// plinvar check-config, run as a real process on configuration files: what the driver would
// work with on standard output and status 0, the reason for a refusal on standard error and
// status 1, wrong usage 2.
#include "platform/AnsiText.h"
#include "platform/Process.h"

#include "tests/cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CheckConfigCli : public TCliFilesTest {
protected:
    TCliRun Run(const std::vector<std::string>& args) { return RunCli("check-config", args); }
};

std::string Device(const std::string& attributes) {
    return "   <device>\r\n      <session " + attributes + " />\r\n   </device>\r\n";
}

const std::string Root = "<SNMP ThreadOnPort=\"True\" ErrorMngrDisabled=\"False\" "
                         "GeneralCommandInterval=\"3000\" AutoRunServer=\"0\" "
                         "CheckServerInterval=\"60\" RAPEnabled=\"False\" RAPPort=\"6042\" >\r\n";

TEST_F(CheckConfigCli, AcceptedFileShowsOptionsAndDevicesInUtf8) {
    const std::string file = Write(
        "Plinvar.cfg",
        Root + Device(platform::Utf8ToAnsi("DeviceName=\"Коммутатор\" RoutingPrefix=\"SNMP1\"")) +
            Device("DeviceName=\"Second\" RoutingPrefix=\"SNMP2\" Enabled=\"FALSE\"") +
            "</SNMP>\r\n");
    const TCliRun run = Run({file});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    for (const char* expected :
         {"accepted, root <SNMP>, 2 devices", "ThreadOnPort             True",
          "GeneralCommandInterval   3000", "AutoRunServer            False",
          "device 1: Коммутатор (prefix SNMP1, address 1, enabled)",
          "device 2: Second (prefix SNMP2, address 1, disabled)",
          "  DeviceName               \"Коммутатор\""}) {
        EXPECT_NE(run.Out.find(expected), std::string::npos) << expected << "\n" << run.Out;
    }
    EXPECT_EQ(run.Out.find("warning"), std::string::npos);
}

TEST_F(CheckConfigCli, RefusedFilesGiveTheReason) {
    const std::string device = Device("DeviceName=\"A\"");
    struct TCase {
        const char* Name;
        std::string Content;
        const char* Reason;
    };
    const TCase cases[] = {
        {"trailing.cfg", Root + device + "</SNMP>\r\nleft over", "text after the root element"},
        {"root.cfg", "<snmp>" + device + "</snmp>", "the root element is <snmp>, expected <SNMP>"},
        {"foreign.cfg", Root + device + "<group/></SNMP>", "element 2 inside the root"},
        {"empty-device.cfg", Root + "<device></device></SNMP>", "device 1 is empty"},
        {"unclosed.cfg", Root + device, "no complete element"},
        {"empty.cfg", "", "the file is empty"},
    };
    for (const auto& tc : cases) {
        const TCliRun run = Run({Write(tc.Name, tc.Content)});
        EXPECT_EQ(run.Status, 1) << tc.Name;
        EXPECT_NE(run.Err.find(tc.Reason), std::string::npos) << tc.Name << ": " << run.Err;
        EXPECT_EQ(run.Out, "") << tc.Name;
    }
    const TCliRun missing = Run({(Dir / "missing.cfg").string()});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("cannot read"), std::string::npos) << missing.Err;
}

TEST_F(CheckConfigCli, WarnsAboutDevicesThatShareAPrefixAndAddress) {
    const std::string file =
        Write("dup.cfg", Root + Device("RoutingPrefix=\"SNMP1\"") + Device("RoutingPrefix=\"x\"") +
                             Device("RoutingPrefix=\"snmp1\"") + "</SNMP>");
    const TCliRun run = Run({file});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("warning: device 3 has the routing prefix and address of device 1"),
              std::string::npos)
        << run.Out;
}

TEST_F(CheckConfigCli, Usage) {
    const TCliRun help = Run({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("usage: plinvar check-config FILE"), std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"a", "b"}, {"--bad"}}) {
        const TCliRun run = Run(args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find("usage:"), std::string::npos);
    }
}

TEST_F(CheckConfigCli, TheBundledExampleIsAccepted) {
    const fs::path example =
        fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "Plinvar.cfg";
    ASSERT_TRUE(fs::exists(example)) << example;
    const TCliRun run = Run({example.string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("2 devices"), std::string::npos);
    EXPECT_NE(run.Out.find("prefix SNMP1"), std::string::npos);
    EXPECT_NE(run.Out.find("prefix SNMP2"), std::string::npos);
}

} // namespace
