// The driver object: the information record's bytes, file names, the "debugger" settings and
// the order of release at destruction.
#include "core/driver/DeviceList.h"
#include "core/driver/SnmpDriver.h"
#include "platform/AnsiText.h"
#include "tests/core/driver/FrameworkDriver.h"
#include "tests/core/driver/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const TDriverInfoRecord& info) {
    const auto* p = reinterpret_cast<const uint8_t*>(&info);
    return std::vector<uint8_t>(p, p + sizeof(info));
}

TEST(DriverInfo, SnmpRecordBytes) {
    TSNMP_Driver driver;
    TDriverInfoRecord info;
    std::memset(&info, 0xCC, sizeof(info)); // whatever was there must not survive
    driver.GetDriverInfo(info);

    std::vector<uint8_t> expected(1166, 0);
    const uint8_t guid[16] = {0x92, 0x11, 0x0C, 0x37, 0x54, 0x68, 0xC0, 0x41,
                              0x9F, 0x23, 0x87, 0x1D, 0xF1, 0xA0, 0x0A, 0xFA};
    std::memcpy(expected.data(), guid, 16);
    const std::string name = platform::Utf8ToAnsi("Драйвер протокола SNMP. Версия 1.0");
    ASSERT_EQ(name.size(), 34u); // one byte per character in the code page
    std::memcpy(expected.data() + 16, name.data(), name.size());
    for (size_t offset : {117, 121, 125, 129}) {
        std::memset(expected.data() + offset, 0xFF, 4);
    }
    expected[133] = 100;
    expected[137] = 100;
    EXPECT_EQ(Bytes(info), expected);
}

TEST(DriverInfo, PrefixesAndNameAreCutToFitTheirTerminator) {
    TDriverInfoRecord info;
    info.Zero();
    info.Prefixes.Set(std::string(2000, 'P'));
    info.Name.Set(std::string(150, 'N'));
    const auto bytes = Bytes(info);
    EXPECT_EQ(bytes[16 + 99], 'N');
    EXPECT_EQ(bytes[16 + 100], 0);
    EXPECT_EQ(bytes[117], 0); // the next field is untouched
    EXPECT_EQ(bytes[141], 'P');
    EXPECT_EQ(bytes[141 + 1023], 'P');
    EXPECT_EQ(bytes[1165], 0);
    EXPECT_EQ(info.Prefixes.Get().size(), 1024u);
}

TEST(Driver, FileNames) {
    TSNMP_Driver snmp;
    EXPECT_EQ(snmp.GetDriverName(), "Plinvar");
    EXPECT_EQ(snmp.GetConfigFileName(), "Plinvar.cfg");
    EXPECT_EQ(snmp.GetDataFileName(), "Plinvar.dat");
    EXPECT_EQ(snmp.GetServerFileName(), "Plinvar.srv");
    EXPECT_EQ(snmp.GetConfigRootName(), "SNMP");

    struct TCase {
        const char* Path;
        const char* Ext;
        const char* Expected;
    };
    const TCase cases[] = {
        {"/opt/vantorelix/Plinvar.cfg", ".ini", "/opt/vantorelix/Plinvar.ini"},
        {"/opt/vantorelix/Plinvar.cfg", ".xml", "/opt/vantorelix/Plinvar.xml"},
        {"Plinvar", ".ini", "Plinvar.ini"},
        {"conf.d/Plinvar", ".ini", "conf.d/Plinvar.ini"},
        {"a.b.cfg", ".ini", "a.b.ini"},
        {"C:\\dir.x\\Plinvar", ".ini", "C:\\dir.x\\Plinvar.ini"},
    };
    for (const auto& tc : cases) {
        EXPECT_EQ(ChangeFileExt(tc.Path, tc.Ext), tc.Expected) << tc.Path;
    }
}

TEST(Driver, SnmpTextsAreInTheCodePage) {
    TSNMP_Driver driver;
    EXPECT_EQ(platform::AnsiToUtf8(driver.GetTitle()), "Драйвер протокола SNMP");
    EXPECT_EQ(platform::AnsiToUtf8(driver.GetSetupCaption()),
              "Свойства драйвера протокола SNMP...");
    const std::string about = platform::AnsiToUtf8(driver.GetAboutText());
    EXPECT_EQ(about.rfind("\r\nДрайвер обмена данными с периферийными устройствами по протоколу  "
                          "SNMP.\r\n\r\nВерсия 1.0\r\n\r\n",
                          0),
              0u);
    EXPECT_TRUE(driver.HasAdditionalSetup());
    EXPECT_FALSE(driver.SupportsRemoteAccess());

    TDriver base;
    EXPECT_EQ(platform::AnsiToUtf8(base.GetSetupCaption()), "Свойства драйвера...");
    EXPECT_EQ(base.GetTitle(), "Abstract device driver");
    EXPECT_FALSE(base.HasAdditionalSetup());
}

// The "debugger" options are process-wide: each test starts from the initial values.
class DriverSettings : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        DriverOptions().ImitatorMode = false;
        DriverOptions().ImitatorRate = -1;
        DriverOptions().ImitatorStateChange = false;
        DriverOptions().TerminalTextMode = false;
    }
    TTempDir Dir;
    TFrameworkDriver Driver;
};

TEST_F(DriverSettings, ReadFromTheIniBesideTheConfiguration) {
    struct TCase {
        const char* Ini; // nullptr: no settings file at all
        bool Imitator;
        int32_t Rate;
        bool StateChange;
    };
    const TCase cases[] = {
        {nullptr, false, -1, false},
        {"[server]\r\nimitator=1\r\n", false, -1, false},
        {"[debugger]\r\nimitator=1\r\nstate_change=0\r\n", true, -1, false},
        {"[Debugger]\r\nIMITATOR=1\r\nrate=0\r\nState_Change=5\r\n", true, 0, true},
        {"[debugger]\r\nrate=250\r\n", false, 250, false},
    };
    for (const auto& tc : cases) {
        Reset();
        const std::string config = Dir.File("Plinvar.cfg");
        std::filesystem::remove(Dir.File("Plinvar.ini"));
        if (tc.Ini != nullptr) {
            Dir.Write("Plinvar.ini", tc.Ini);
        }
        EXPECT_TRUE(Driver.ReadSettings(0, config));
        const char* what = tc.Ini != nullptr ? tc.Ini : "(no file)";
        EXPECT_EQ(DriverOptions().ImitatorMode.load(), tc.Imitator) << what;
        EXPECT_EQ(DriverOptions().ImitatorRate.load(), tc.Rate) << what;
        EXPECT_EQ(DriverOptions().ImitatorStateChange.load(), tc.StateChange) << what;
    }
}

TEST_F(DriverSettings, MissingKeysKeepTheSwitchesButResetTheRate) {
    Dir.Write("Plinvar.ini", "[debugger]\r\nimitator=1\r\nrate=10\r\nstate_change=1\r\n");
    ASSERT_TRUE(Driver.ReadSettings(0, Dir.File("Plinvar.cfg")));
    Dir.Write("Plinvar.ini", "[debugger]\r\n");
    ASSERT_TRUE(Driver.ReadSettings(1, Dir.File("Plinvar.cfg")));
    EXPECT_TRUE(DriverOptions().ImitatorMode);
    EXPECT_TRUE(DriverOptions().ImitatorStateChange);
    EXPECT_EQ(DriverOptions().ImitatorRate, -1);
}

TEST_F(DriverSettings, PrepareOfTheSnmpDriverSwitchesTerminalTextOn) {
    TDriver base;
    base.Prepare();
    EXPECT_FALSE(DriverOptions().TerminalTextMode);
    TSNMP_Driver snmpDriver;
    snmpDriver.Prepare();
    EXPECT_TRUE(DriverOptions().TerminalTextMode);
}

// A driver with data of its own, released in Finalize after the device list.
class TRecordingDriver : public TDriver {
public:
    explicit TRecordingDriver(std::vector<std::string>& log) : Log(log) {}
    ~TRecordingDriver() override { Shutdown(); }
    bool Finalize() override {
        Log.push_back(Devices == nullptr ? "finalize after devices" : "finalize with devices");
        return TDriver::Finalize();
    }
    std::vector<std::string>& Log;
};

TEST(Driver, DestructionReleasesDevicesThenFinalizesOnce) {
    std::vector<std::string> log;
    {
        TRecordingDriver driver(log);
        ASSERT_NE(driver.Devices, nullptr);
        driver.Devices->AddNewDevice();
    }
    EXPECT_EQ(log, std::vector<std::string>{"finalize after devices"});
}

TEST(Driver, ProcessDriver) {
    EXPECT_EQ(GetDriver(), nullptr);
    TSNMP_Driver driver;
    SetDriver(&driver);
    EXPECT_EQ(GetDriver(), &driver);
    SetDriver(nullptr);
    EXPECT_EQ(GetDriver(), nullptr);
}

} // namespace
