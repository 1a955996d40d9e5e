// The SNMP device without a network: its property table and editor information, the settings
// taken from the properties, the connection's ICMP check and token hand-back, and the SNMP
// driver's factories and request configuration.
#include "core/driver/SnmpDriver.h"
#include "core/errors/TerminalData.h"
#include "core/intercom/CommandQueue.h"
#include "core/polling/ReceiveVariables.h"
#include "core/snmpproto/RequestConfiguration.h"
#include "core/snmpproto/SnmpConnection.h"
#include "core/snmpproto/SnmpDevice.h"
#include "core/snmpproto/SnmpProperty.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Ansi(const char* utf8) {
    return platform::Utf8ToAnsi(utf8);
}

void InstallRequests(const std::string& xml) {
    auto list = std::make_unique<TSNMPDeviceList>();
    std::string error;
    ASSERT_TRUE(list->LoadFromText(xml, error)) << error;
    RequestConfiguration = std::move(list);
}

class SnmpProperties : public ::testing::Test {
protected:
    void TearDown() override { ReleaseRequestConfiguration(); }
    TSNMP_Property Properties;
};

TEST_F(SnmpProperties, FreshTableInOrder) {
    Properties.FillDefaults();
    struct TRow {
        const char* Name;
        const char* Value;
        uint8_t Kind;
    };
    const TRow expected[] = {
        {"DeviceName", "SNMP device", 0},
        {"DeviceIPAddress", "", 0},
        {"DeviceAddress", "1", 1},
        {"IPPort", "161", 1},
        {"TimeOut", "100", 1},
        {"RetryCount", "3", 1},
        {"Enabled", "TRUE", 2},
        {"RoutingPrefix", "SNMP", 0},
        {"ReqwestInterval", "2000", 1},
        {"PINGTimeOut", "500", 1},
        {"ICMPOnConnect", "TRUE", 2},
        {"VarConnectStateName", "", 5},
        {"CommandStateName", "", 5},
        {"VarBlockCommand", "", 5},
        {"RS232Port", "COM1", 4},
        {"GETCommunity", "tarnov", 0},
        {"SETCommunity", "gemsolt", 0},
        {"SNMPVersion", "SNMPv1", 4},
        {"SNMP_V3_UserName", "", 0},
        {"SNMP_V3_Password", "", 0},
        {"SNMPv3_Privacy_Password", "", 0},
        {"SNMPv3_Flag", "NoAuthNoPriv", 4},
        {"V3Auth", "AuthMD5", 4},
        {"V3Priv", "PrivDES", 4},
        {"RequestType", "default", 4},
    };
    ASSERT_EQ(Properties.Count(), int32_t(std::size(expected)));
    for (int32_t i = 0; i < Properties.Count(); ++i) {
        SCOPED_TRACE(expected[i].Name);
        EXPECT_EQ(Properties.Item(i)->Name, expected[i].Name);
        EXPECT_EQ(Properties.Item(i)->Value, expected[i].Value);
        EXPECT_EQ(Properties.Item(i)->Kind, expected[i].Kind);
    }
    // Filling again starts over rather than appending a second set.
    Properties.FindProperty("GETCommunity")->Value = "changed";
    Properties.FillDefaults();
    EXPECT_EQ(Properties.Count(), int32_t(std::size(expected)));
    EXPECT_EQ(Properties.GetValue("GETCommunity", ""), "tarnov");
}

TEST_F(SnmpProperties, DefaultAnswers) {
    const std::pair<const char*, const char*> cases[] = {
        {"RoutingPrefix", "SNMP"},
        {"DeviceName", "SNMP device"},
        {"IPPort", "161"},
        {"RequestType", ""},
        {"SNMPVersion", "SNMPv1"},
        {"SNMP_V3_UserName", ""},
        {"SNMPv3_Flag", "NoAuthNoPriv"},
        {"V3Auth", "AuthMD5"},
        {"V3Priv", "PrivDES"},
        {"GETCommunity", ""},
        {"SETCommunity", ""},
        {"TimeOut", "100"},
        {"RS232BaudRate", "9600"},
        {"requesttype", ""},
        {"Unknown", ""},
    };
    for (const auto& [name, value] : cases) {
        EXPECT_EQ(Properties.GetDefaultValue(name), value) << name;
    }
}

TEST_F(SnmpProperties, EditInformation) {
    Properties.FillDefaults();
    struct TCase {
        const char* Name;
        bool WithList;
        bool Known;
        uint8_t Kind;
        int32_t Minimum;
        int32_t Maximum;
        std::vector<std::string> Choices;
    };
    const TCase cases[] = {
        {"SNMPVersion", true, true, 4, 0, 2, {"SNMPv1", "SNMPv2c", "SNMPv3"}},
        {"SNMPVersion", false, true, 4, 0, 2147483647, {}},
        {"SNMPv3_Flag", true, true, 4, 0, 2, {"NoAuthNoPriv", "AuthNoPriv", "AuthPriv"}},
        {"V3Auth", true, true, 4, 0, 1, {"AuthMD5", "AuthSHA1"}},
        {"V3Priv", true, true, 4, 0, 2, {"PrivDES", "Priv3DES", "PrivAES"}},
        {"RequestType", true, true, 4, 0, -1, {}}, // no request configuration loaded
        {"GETCommunity", true, true, 0, 0, 1, {}},
        {"SNMPv3_Privacy_Password", false, true, 0, 0, 1, {}},
        {"Enabled", true, true, 2, 0, 1, {"FALSE", "TRUE"}},
        {"IPPort", true, true, 1, 1, 65535, {}},
        {"RS232BaudRate", true, false, 1, 0, 2147483647, {}}, // not an SNMP property
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + (c.WithList ? " with a list" : " without a list"));
        TStringList choices{"left over"};
        int32_t minimum = -5;
        int32_t maximum = -5;
        uint8_t kind = 99;
        EXPECT_EQ(
            Properties.GetEditInfo(c.Name, minimum, c.WithList ? &choices : nullptr, kind, maximum),
            c.Known);
        EXPECT_EQ(kind, c.Kind);
        EXPECT_EQ(minimum, c.Minimum);
        EXPECT_EQ(maximum, c.Maximum);
        if (c.WithList) {
            EXPECT_EQ(choices, c.Choices);
        }
    }

    // The device types of the loaded configuration, in file order.
    InstallRequests("<snmp_dlm_driver><snmp_device device_name=\"ups\"/>"
                    "<snmp_device device_name=\"Switch\"/></snmp_dlm_driver>");
    TStringList choices;
    int32_t minimum = 0;
    int32_t maximum = 0;
    uint8_t kind = 0;
    ASSERT_TRUE(Properties.GetEditInfo("RequestType", minimum, &choices, kind, maximum));
    EXPECT_EQ(choices, (TStringList{"ups", "Switch"}));
    EXPECT_EQ(maximum, 1);
}

TEST_F(SnmpProperties, ChoicesStoredAndShownAsTheirText) {
    const TStringList versions{"SNMPv1", "SNMPv2c", "SNMPv3"};
    EXPECT_EQ(Properties.ListChoiceToValue("SNMPVersion", versions, 1), "SNMPv2c");
    EXPECT_EQ(Properties.ListChoiceToValue("SNMPVersion", versions, 3), "");
    EXPECT_EQ(Properties.ListChoiceToValue("SNMPVersion", versions, -1), "");
    EXPECT_EQ(Properties.ValueToDisplay("SNMPVersion", "SNMPv2c"), "SNMPv2c");
    EXPECT_EQ(Properties.ValueToDisplay("RequestType", "2"), "2");
    // The generic conversions stay.
    EXPECT_EQ(Properties.ListChoiceToValue("RS232ByteSize", {"8", "7"}, 1), "4");
    EXPECT_EQ(Properties.ValueToDisplay("RS232Parity", "2"), "Even");
}

TEST_F(SnmpProperties, CaptionsAndDescriptions) {
    std::string text;
    EXPECT_TRUE(Properties.GetCaption("GETCommunity", text));
    EXPECT_EQ(text, Ansi("Имя GET-сообщества:"));
    EXPECT_TRUE(Properties.GetCaption("SNMPv3_Flag", text));
    EXPECT_EQ(text, Ansi("SNMPv3 Тип авторизацци и кодировки:"));
    EXPECT_TRUE(Properties.GetCaption("DeviceName", text));
    EXPECT_EQ(text, Ansi("Имя устройства:"));
    EXPECT_FALSE(Properties.GetCaption("Nothing", text));
    EXPECT_EQ(text, "???");
    EXPECT_TRUE(Properties.GetDescription("V3Auth", text));
    EXPECT_EQ(text, Ansi("Спецификация протокола SNMPv3 поддерживает два типа алгоритма "
                         "шифрования: MD5 и SH1. Выберите требуемый тип шифрования. Должен быть "
                         "согласован с настройками устройства."));
    EXPECT_TRUE(Properties.GetDescription("RequestType", text));
    EXPECT_EQ(text, Ansi("Драйвер способен поддержать несколько различных устройств "
                         "одновременно. Для каждого типа может быть создан собственный список "
                         "запросов."));
    // SNMP names are exact.
    EXPECT_FALSE(Properties.GetDescription("v3auth", text));
    EXPECT_EQ(text, "");
}

TEST(SnmpDeviceSettings, FromProperties) {
    struct TCase {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Set;
        std::vector<std::string> Deleted;
        uint8_t Version, Flags, Auth, Priv;
        const char* RequestType;
        const char* Community;
    };
    const TCase cases[] = {
        {"fresh device", {}, {}, 0, 0, 0, 0, "default", "tarnov"},
        {"v3 with everything",
         {{"SNMPVersion", "SNMPv3"},
          {"SNMPv3_Flag", "AuthPriv"},
          {"V3Auth", "AuthSHA1"},
          {"V3Priv", "PrivAES"},
          {"RequestType", "ups"},
          {"GETCommunity", "public"}},
         {},
         3,
         2,
         1,
         2,
         "ups",
         "public"},
        {"v2c, auth only, triple DES",
         {{"SNMPVersion", "SNMPv2c"}, {"SNMPv3_Flag", "AuthNoPriv"}, {"V3Priv", "Priv3DES"}},
         {},
         1,
         1,
         0,
         1,
         "default",
         "tarnov"},
        // Texts that are no choice give the first code (SNMPv2c for the version).
        {"unknown texts",
         {{"SNMPVersion", "SNMPv2"},
          {"SNMPv3_Flag", "authpriv"},
          {"V3Auth", "SHA1"},
          {"V3Priv", "AES"}},
         {},
         1,
         0,
         0,
         0,
         "default",
         "tarnov"},
        // Missing properties take the defaults of the settings, not of the table.
        {"missing properties",
         {},
         {"SNMPVersion", "RequestType", "GETCommunity"},
         1,
         0,
         0,
         0,
         "default",
         "tarnov"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSNMP_Device device;
        for (const auto& [name, value] : c.Set) {
            device.Properties->FindProperty(name)->Value = value;
        }
        for (const auto& name : c.Deleted) {
            device.Properties->DeleteProperty(name);
        }
        device.Properties->FindProperty("SNMP_V3_UserName")->Value = "user";
        device.Properties->FindProperty("SNMP_V3_Password")->Value = "auth pass";
        device.Properties->FindProperty("SNMPv3_Privacy_Password")->Value = "priv pass";
        device.Properties->FindProperty("IPPort")->Value = "1161";
        device.ApplyProperties();
        EXPECT_EQ(device.Version, c.Version);
        EXPECT_EQ(device.SecurityFlags, c.Flags);
        EXPECT_EQ(device.AuthMode, c.Auth);
        EXPECT_EQ(device.PrivMode, c.Priv);
        EXPECT_EQ(device.RequestType, c.RequestType);
        EXPECT_EQ(device.GetCommunity, c.Community);
        EXPECT_EQ(device.SetCommunity, "gemsolt");
        EXPECT_EQ(device.UserName, "user");
        EXPECT_EQ(device.Password, "auth pass");
        EXPECT_EQ(device.PrivacyPassword, "priv pass");
        EXPECT_EQ(device.IPPort, 1161); // the generic fields are applied too
        EXPECT_EQ(device.RoutingPrefix, "SNMP");
    }
}

TEST(SnmpDeviceSettings, CommandsSendNothing) {
    TSNMP_Device device;
    TSNMPConnection connection(*device.Properties);
    TReceiveVariables received;
    TCommandRecord command{};
    std::string data = "left";
    bool expectAnswer = true;
    device.BuildCommandMessage(connection, 0, command, received, nullptr, data, expectAnswer);
    EXPECT_EQ(data, "");
    EXPECT_TRUE(expectAnswer); // left as the framework set it
    EXPECT_EQ(device.ParseCommandAnswer(connection, 0, command, received, "x", nullptr), -1);
}

TEST(SnmpConnectionTest, SettingsFromTheProperties) {
    TSNMP_Property properties;
    properties.FillDefaults();
    TSNMPConnection defaults(properties);
    EXPECT_EQ(defaults.IPAddress, "");
    EXPECT_EQ(defaults.PingTimeout, 500);
    EXPECT_TRUE(defaults.UseIcmp);
    EXPECT_FALSE(defaults.IsOpen());

    properties.SetProperty("DeviceIPAddress", "127.0.0.1", 0);
    properties.SetProperty("PINGTimeOut", "x", 1);
    properties.SetProperty("ICMPOnConnect", "false", 2);
    TSNMPConnection set(properties);
    EXPECT_EQ(set.IPAddress, "127.0.0.1");
    EXPECT_EQ(set.PingTimeout, 500);
    EXPECT_FALSE(set.UseIcmp);
    EXPECT_TRUE(set.MustReconnect(properties));
    EXPECT_TRUE(set.CloseAfterExchange());
}

TEST(SnmpConnectionTest, TokenTravelsThroughPending) {
    TSNMP_Property properties;
    properties.FillDefaults();
    TSNMPConnection connection(properties);
    std::string data = "old";
    EXPECT_EQ(connection.Write("REQ_OK", nullptr), 6);
    EXPECT_EQ(connection.Write("REQ_OK", nullptr), 6); // a second write replaces the first
    EXPECT_EQ(connection.Read(100, data, nullptr), 6);
    EXPECT_EQ(data, "REQ_OK");
    EXPECT_EQ(connection.Read(100, data, nullptr), 0);
    EXPECT_EQ(data, "");
}

TEST(SnmpConnectionTest, OpenRunsTheLinkCheck) {
    struct TCase {
        const char* Name;
        const char* Address;
        const char* Icmp;
        bool Open;
        std::string Terminal;
    };
    // Only addresses that PingHost refuses without sending anything: no echo leaves the test.
    const TCase cases[] = {
        {"check off, no address", "", "FALSE", true, ""},
        {"check off, malformed address", "127.0.0.01", "0", true, ""},
        {"check on, no address", "", "TRUE", false, Ansi("IP адрес не определен или не верен.")},
        {"check on, malformed address", "127.0.0.01", "TRUE", false,
         Ansi("127.0.0.01: Ошибка контроля связи по протоколу ICMP. Устройство не доступно.")},
        {"check on, a host name", "localhost", "1", false,
         Ansi("localhost: Ошибка контроля связи по протоколу ICMP. Устройство не доступно.")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSNMP_Property properties;
        properties.FillDefaults();
        properties.SetProperty("DeviceIPAddress", c.Address, 0);
        properties.SetProperty("ICMPOnConnect", c.Icmp, 2);
        TSNMPConnection connection(properties);
        TTerminalDataClass terminal;
        connection.Open(&terminal);
        EXPECT_EQ(connection.IsOpen(), c.Open);
        EXPECT_EQ(terminal.GetText(), c.Terminal);
        terminal.Clear();
        EXPECT_TRUE(connection.Close(&terminal));
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(terminal.GetText(), "Disconnected");
        EXPECT_TRUE(connection.Close(nullptr));
    }
}

class SnmpDriver : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() /
              ("plinvar-snmpdrv-" + std::to_string(platform::GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override {
        ReleaseRequestConfiguration();
        std::error_code ignored;
        fs::remove_all(Dir, ignored);
    }
    fs::path Dir;
};

TEST_F(SnmpDriver, FactoriesMakeSnmpDevicesAndConnections) {
    TSNMP_Driver driver;
    std::unique_ptr<TDevice> device(driver.CreateDevice());
    ASSERT_NE(dynamic_cast<TSNMP_Device*>(device.get()), nullptr);
    EXPECT_EQ(device->Properties->Count(), 25);
    std::unique_ptr<TDeviceList> list(driver.CreateDeviceList());
    ASSERT_NE(dynamic_cast<TMyDeviceList*>(list.get()), nullptr);
    std::unique_ptr<TVantorelixConnection> connection(list->CreateConnection(*device->Properties));
    EXPECT_NE(dynamic_cast<TSNMPConnection*>(connection.get()), nullptr);
    // The list the driver holds, and the devices it adds, are SNMP ones as well.
    EXPECT_NE(dynamic_cast<TMyDeviceList*>(driver.Devices.get()), nullptr);
    EXPECT_NE(dynamic_cast<TSNMP_Device*>(driver.Devices->AddNewDevice()->Device.get()), nullptr);
}

TEST_F(SnmpDriver, ReadSettingsLoadsTheRequestFileAndFinalizeReleasesIt) {
    const std::string config = (Dir / "Plinvar.cfg").string();
    struct TCase {
        const char* Name;
        const char* Xml; // nullptr: no file
        bool Result;
        int32_t Types;
        std::string Error;
    };
    const TCase cases[] = {
        {"no file", nullptr, false, 0, Ansi("SNMP: Нет конфигурационного файла.")},
        {"valid", "<snmp_dlm_driver><snmp_device device_name=\"a\"/></snmp_dlm_driver>", true, 1,
         ""},
        {"second type broken",
         "<snmp_dlm_driver><snmp_device device_name=\"a\"/><snmp_device/></snmp_dlm_driver>", false,
         1, "device_name expected: <snmp_device/>"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(Dir / "Plinvar.xml");
        if (c.Xml != nullptr) {
            std::ofstream(Dir / "Plinvar.xml", std::ios::binary) << c.Xml;
        }
        TSNMP_Driver driver;
        EXPECT_EQ(driver.ReadSettings(0, config), c.Result);
        ASSERT_NE(RequestConfiguration, nullptr);
        EXPECT_EQ(RequestConfiguration->Count(), c.Types);
        EXPECT_EQ(RequestConfiguration->LoadError, c.Error);
        EXPECT_TRUE(driver.Finalize());
        EXPECT_EQ(RequestConfiguration, nullptr);
    }
}

} // namespace
