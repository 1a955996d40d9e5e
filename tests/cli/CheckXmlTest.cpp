// plinvar check-xml, run as a real process on request configuration files: the device types,
// requests and variables on standard output with status 0, the loader's text on standard
// error with status 1 (in UTF-8), warnings for what a poll would fail on, wrong usage 2.
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

class CheckXmlCli : public TCliFilesTest {
protected:
    TCliRun Run(const std::vector<std::string>& args) { return RunCli("check-xml", args); }
};

TEST_F(CheckXmlCli, PrintsDeviceTypesRequestsAndVariables) {
    const std::string file =
        Write("Plinvar.xml",
              "<!-- c --><snmp_dlm_driver>\r\n"
              "<snmp_device device_name=\"" +
                  platform::Utf8ToAnsi("Шкаф") +
                  "\"><snmp_request><v name=\"up\" oid=\".1.3.6.1.2.1.1.3.0\" vx_address=\"1\" "
                  "expression=\"%VALUE%*0.01\"/></snmp_request>"
                  "<snmp_request type=\"oids_table\" oid_counter=\"1.3.1\" oid_mask=\"1.3.2.%d\">"
                  "<v oid=\"1.3.3\" defvalue=\"5\"/></snmp_request></snmp_device>"
                  "<snmp_device device_name=\"empty\"/></snmp_dlm_driver>");
    const TCliRun run = Run({file});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out,
              file + ": accepted, 2 device types\n"
                     "device type 1: \"Шкаф\", 2 requests\n"
                     "  request 1 (step 0): normal\n"
                     "    variable 1: oid 1.3.6.1.2.1.1.3.0 -> vx_address 1, defvalue \"0\", "
                     "expression \"%VALUE%*0.01\", name \"up\"\n"
                     "  request 2 (step 1): oids_table, oid_counter 1.3.1, oid_mask 1.3.2.%d\n"
                     "    variable 1: oid 1.3.3 -> vx_address -1, defvalue \"5\"\n"
                     "device type 2: \"empty\", 0 requests\n");
}

TEST_F(CheckXmlCli, RefusalGivesTheLoadersTextInUtf8) {
    struct TCase {
        const char* What;
        std::string Content; // empty: no file at all
        std::string Err;     // after "plinvar check-xml: FILE is refused: "
    };
    const TCase cases[] = {
        {"missing file", "", "SNMP: Нет конфигурационного файла."},
        {"root name", "<snmp/>", "XML error: snmp_dlm_driver expected: <snmp/>"},
        {"XML declaration", "<?xml version=\"1.0\"?><snmp_dlm_driver/>",
         "XML error: <?xml version=\"1.0\"?><snmp_dlm_driver/>"},
        {"request kind",
         "<snmp_dlm_driver><snmp_device device_name=\"a\">"
         "<snmp_request type=\"walk\"/></snmp_device></snmp_dlm_driver>",
         "Unknown request type: <snmp_request type=\"walk\"/>"},
    };
    for (const TCase& c : cases) {
        const std::string file = (Dir / "Plinvar.xml").string();
        fs::remove(file);
        if (!c.Content.empty()) {
            Write("Plinvar.xml", c.Content);
        }
        const TCliRun run = Run({file});
        EXPECT_EQ(run.Status, 1) << c.What;
        EXPECT_EQ(run.Err, "plinvar check-xml: " + file + " is refused: " + c.Err + "\n") << c.What;
        EXPECT_EQ(run.Out, "") << c.What;
    }
}

TEST_F(CheckXmlCli, RefusalListsTheDeviceTypesTheDriverKeeps) {
    const std::string file =
        Write("Plinvar.xml", "<snmp_dlm_driver><snmp_device device_name=\"kept\"/>"
                             "<snmp_device name=\"lost\"/></snmp_dlm_driver>");
    const TCliRun run = Run({file});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "plinvar check-xml: " + file +
                           " is refused: device_name expected: <snmp_device name=\"lost\"/>\n");
    EXPECT_EQ(run.Out, file + ": refused after 1 device type, which the driver still polls with\n"
                              "device type 1: \"kept\", 0 requests\n");
}

TEST_F(CheckXmlCli, WarnsAboutWhatAPollWouldFailOn) {
    const std::string file = Write(
        "Plinvar.xml", "<snmp_dlm_driver><snmp_device device_name=\"a\">"
                       "<snmp_request><v oid=\"1.3.6\"/><v/><v oid=\"1.3.x\"/><v oid=\"1.3.7\" "
                       "expression=\"Round(%VALUE%)\"/></snmp_request>"
                       "<snmp_request type=\"values_table\"><v oid=\"1.3.%s\"/></snmp_request>"
                       "<snmp_request type=\"oids_table\" oid_counter=\"1.3.1\"/>"
                       "</snmp_device><snmp_device device_name=\"A\"/></snmp_dlm_driver>");
    const TCliRun run = Run({file});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string expected[] = {
        "warning: device type \"a\", request 1: variable 2 has no oid: the request always fails\n",
        "warning: device type \"a\", request 1: variable 3: \"1.3.x\" is not an OID\n",
        "warning: device type \"a\", request 1: variable 4: the expression fails for the value 1",
        "warning: device type \"a\", request 2: a table request without oid_counter always fails\n",
        "warning: device type \"a\", request 2: variable 1: the template \"1.3.%s\" cannot take "
        "the row number\n",
        "warning: device type \"a\", request 3: an oids_table request without oid_mask fails "
        "whenever the table has rows\n",
        "warning: device type \"A\": another device type of this name comes first",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(run.Out.find(line), std::string::npos) << line << "\n---\n" << run.Out;
    }
}

TEST_F(CheckXmlCli, BundledExampleIsAcceptedWithoutWarnings) {
    const fs::path example =
        fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "Plinvar.xml";
    ASSERT_TRUE(fs::exists(example)) << example;
    const TCliRun run = Run({example.string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.find("warning"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("device type 1: \"default\""), std::string::npos) << run.Out;
}

TEST_F(CheckXmlCli, Usage) {
    const TCliRun help = Run({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("usage: plinvar check-xml FILE"), std::string::npos);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"a.xml", "b.xml"}, {"--verbose", "a.xml"}}) {
        const TCliRun run = Run(args);
        EXPECT_EQ(run.Status, 2) << args.size();
        EXPECT_NE(run.Err.find("usage: plinvar check-xml FILE"), std::string::npos);
    }
    // After "--" a name that starts with "-" is a file.
    const TCliRun dashed = Run({"--", "-missing.xml"});
    EXPECT_EQ(dashed.Status, 1);
}

} // namespace
