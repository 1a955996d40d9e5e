// The request file as the driver loads it: beside the driver configuration, missing, not
// readable, invalid, and the process-wide instance installed and released.
#include "core/snmpproto/RequestConfiguration.h"

#include "platform/AnsiText.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class RequestFile : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("plinvar-reqcfg-" + std::to_string(platform::GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override {
        ReleaseRequestConfiguration();
        std::error_code ignored;
        fs::remove_all(Dir, ignored);
    }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = (Dir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }

    fs::path Dir;
};

const std::string NoFileText = platform::Utf8ToAnsi("SNMP: Нет конфигурационного файла.");

TEST_F(RequestFile, NameFollowsTheDriverConfiguration) {
    EXPECT_EQ(RequestFileName("/opt/vx/Plinvar.cfg"), "/opt/vx/Plinvar.xml");
    EXPECT_EQ(RequestFileName("/opt/v.x/Plinvar"), "/opt/v.x/Plinvar.xml");
    EXPECT_EQ(RequestFileName("Plinvar.xml"), "Plinvar.xml");
}

TEST_F(RequestFile, MissingFile) {
    TSNMPDeviceList list;
    std::string error;
    EXPECT_FALSE(list.LoadFromFile(Path("none.xml"), error));
    EXPECT_EQ(error, "Configuration file not found.");
    EXPECT_EQ(list.LoadError, "Configuration file not found.");

    // The driver has a text of its own for it, and still installs an empty configuration.
    EXPECT_FALSE(ReadRequestFile(Path("none.xml"), list));
    EXPECT_EQ(list.LoadError, NoFileText);
    EXPECT_FALSE(LoadRequestConfiguration(Path("Plinvar.cfg")));
    ASSERT_NE(RequestConfiguration, nullptr);
    EXPECT_EQ(RequestConfiguration->LoadError, NoFileText);
    EXPECT_EQ(RequestConfiguration->Count(), 0);
}

TEST_F(RequestFile, UnreadableFileIsAFailedLoad) {
    fs::create_directories(Dir / "Plinvar.xml"); // exists, but cannot be read as a file
    TSNMPDeviceList list;
    std::string error;
    EXPECT_FALSE(list.LoadFromFile(Path("Plinvar.xml"), error));
    EXPECT_EQ(error, "Configuration file cannot be read.");
    EXPECT_FALSE(LoadRequestConfiguration(Path("Plinvar.cfg")));
    EXPECT_EQ(RequestConfiguration->LoadError, "Configuration file cannot be read.");

    // A pipe nobody writes to would block the reader for good.
    const std::string fifo = Path("pipe.xml");
    ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
    EXPECT_FALSE(list.LoadFromFile(fifo, error));
    EXPECT_EQ(error, "Configuration file cannot be read.");
}

TEST_F(RequestFile, FileIsReadWholeAndByteForByte) {
    const std::string name = platform::Utf8ToAnsi("Щит №1");
    const std::string text =
        "<!-- \xC0\xC1 -->\r\n<snmp_dlm_driver>\r\n\t<snmp_device device_name=\"" + name +
        "\">\r\n\t\t<snmp_request>\r\n\t\t\t<v oid=\"1.3\" expression=\"" +
        "%VALUE%\t*\t2\"/>\r\n\t\t</snmp_request>\r\n\t</snmp_device>\r\n" +
        "</snmp_dlm_driver>\r\n";
    Write("Plinvar.xml", text);
    EXPECT_TRUE(LoadRequestConfiguration(Path("Plinvar.cfg")));
    ASSERT_NE(RequestConfiguration, nullptr);
    EXPECT_EQ(RequestConfiguration->LoadError, "");
    const TSNMPDeviceUnit* unit = RequestConfiguration->FindDeviceType(name);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->Requests.Item(0)->Items.Item(0)->Expression, "%VALUE%\t*\t2");

    ReleaseRequestConfiguration();
    EXPECT_EQ(RequestConfiguration, nullptr);
}

TEST_F(RequestFile, InvalidFileKeepsTheDeviceTypesBeforeTheFault) {
    Write("Plinvar.xml", "<snmp_dlm_driver><snmp_device device_name=\"ok\"/>"
                         "<snmp_device device_name=\"bad\"><snmp_request type=\"x\"/>"
                         "</snmp_device></snmp_dlm_driver>");
    EXPECT_FALSE(LoadRequestConfiguration(Path("Plinvar.cfg")));
    ASSERT_NE(RequestConfiguration, nullptr);
    EXPECT_EQ(RequestConfiguration->LoadError, "Unknown request type: <snmp_request type=\"x\"/>");
    EXPECT_NE(RequestConfiguration->FindDeviceType("ok"), nullptr);
    EXPECT_EQ(RequestConfiguration->FindDeviceType("bad"), nullptr);

    // Loading again replaces the configuration instead of adding to it.
    Write("Plinvar.xml", "<snmp_dlm_driver><snmp_device device_name=\"new\"/></snmp_dlm_driver>");
    EXPECT_TRUE(LoadRequestConfiguration(Path("Plinvar.cfg")));
    EXPECT_EQ(RequestConfiguration->Count(), 1);
    EXPECT_EQ(RequestConfiguration->FindDeviceType("ok"), nullptr);
}

TEST_F(RequestFile, EmptyFile) {
    TSNMPDeviceList list;
    EXPECT_FALSE(ReadRequestFile(Write("Plinvar.xml", ""), list));
    EXPECT_EQ(list.LoadError, "XML error: snmp_dlm_driver expected: ");
}

} // namespace
