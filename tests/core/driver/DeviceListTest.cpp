// Devices and the driver configuration file: the writer's exact bytes, reading back what was
// written, the reader's rejections, and saves that fail without touching the previous file.
#include "core/driver/DeviceList.h"
#include "core/driver/ConfigurationOptions.h"
#include "core/driver/SnmpDriver.h"
#include "platform/AnsiText.h"
#include "tests/core/driver/FrameworkDriver.h"
#include "tests/core/driver/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using TProperties = std::vector<std::pair<std::string, std::string>>;

TProperties PropertiesOf(const TDevice& device) {
    TProperties out;
    for (int32_t i = 0; i < device.Properties->Count(); ++i) {
        out.emplace_back(device.Properties->Item(i)->Name, device.Properties->Item(i)->Value);
    }
    return out;
}

std::vector<TProperties> DevicesOf(const TDeviceList& list) {
    std::vector<TProperties> out;
    for (int32_t i = 0; i < list.Count(); ++i) {
        out.push_back(PropertiesOf(*list.Device(i)));
    }
    return out;
}

// The driver-wide options are process-wide: every test starts from the initial values.
class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override { ConfigurationOptions() = TConfigurationOptions{}; }
    void TearDown() override { ConfigurationOptions() = TConfigurationOptions{}; }

    TDevice* Add(const std::string& name, const std::string& prefix, const std::string& address) {
        TDevice* device = Driver.Devices->AddNewDevice()->Device.get();
        device->Properties->SetProperty("DeviceName", name, 0);
        device->Properties->SetProperty("RoutingPrefix", prefix, 0);
        device->Properties->SetProperty("DeviceAddress", address, 1);
        device->ApplyProperties();
        return device;
    }

    std::string Path() const { return Dir.File("Plinvar.cfg"); }

    TTempDir Dir;
    TFrameworkDriver Driver;
};

const char* const DefaultSession =
    "DeviceIPAddress=\"\" DeviceAddress=\"1\" IPPort=\"502\" TimeOut=\"100\" RetryCount=\"3\" "
    "Enabled=\"TRUE\" RoutingPrefix=\"VANTORELIX\" ReqwestInterval=\"2000\" PINGTimeOut=\"500\" "
    "ICMPOnConnect=\"TRUE\" VarConnectStateName=\"\" CommandStateName=\"\" VarBlockCommand=\"\" "
    "RS232Port=\"COM1\" RS232BaudRate=\"9600\" RS232StopBits=\"0\" RS232ByteSize=\"8\" "
    "RS232Parity=\"0\" ";

TEST_F(ConfigFile, WriterBytes) {
    Driver.Devices->AddNewDevice();
    Driver.Devices->AddNewDevice()->Device->Properties->SetProperty("DeviceName", "Second", 0);
    ConfigurationOptions().ThreadOnPort = true;
    ConfigurationOptions().AutoRunServer = false;
    ConfigurationOptions().GeneralCommandInterval = 1500;
    ASSERT_TRUE(Driver.SaveConfiguration(Path()));
    const std::string expected =
        std::string("<SNMP ThreadOnPort=\"True\" ErrorMngrDisabled=\"False\" "
                    "GeneralCommandInterval=\"1500\" AutoRunServer=\"0\" "
                    "CheckServerInterval=\"60\" RAPEnabled=\"False\" RAPPort=\"6042\" >\r\n") +
        "   <device>\r\n" + "      <session DeviceName=\"New device\" " + DefaultSession +
        "/>\r\n" + "   </device>\r\n" + "   <device>\r\n" +
        "      <session DeviceName=\"Second\" " + DefaultSession + "/>\r\n" + "   </device>\r\n" +
        "</SNMP>\r\n";
    EXPECT_EQ(Dir.Read("Plinvar.cfg"), expected);
}

TEST_F(ConfigFile, WriterBytesWithoutDevices) {
    ConfigurationOptions().ErrorMngrDisabled = true;
    ConfigurationOptions().CheckServerInterval = -3;
    ASSERT_TRUE(Driver.SaveConfiguration(Path()));
    EXPECT_EQ(Dir.Read("Plinvar.cfg"),
              "<SNMP ThreadOnPort=\"False\" ErrorMngrDisabled=\"True\" "
              "GeneralCommandInterval=\"6000\" AutoRunServer=\"-1\" CheckServerInterval=\"-3\" "
              "RAPEnabled=\"False\" RAPPort=\"6042\" >\r\n</SNMP>\r\n");
}

TEST_F(ConfigFile, WrittenAndReadBackGivesTheSameDevicesAndOptions) {
    Add(platform::Utf8ToAnsi("Коммутатор 1"), "SNMP1", "1");
    Add("Router <2>", "SNMP2", "7")->Properties->SetProperty("TimeOut", "250", 1);
    Driver.Devices->Device(1)->Properties->FindProperty("DeviceName")->Value = "Router 2";
    Add("Third", "snmp1", "3")->Properties->SetProperty("VarBlockCommand", " Block.Tag ", 5);
    ConfigurationOptions() = {true, true, 1234, false, 17, false, 6042};
    const TConfigurationOptions options = ConfigurationOptions();
    const auto devices = DevicesOf(*Driver.Devices);
    ASSERT_TRUE(Driver.SaveConfiguration(Path()));

    TFrameworkDriver reader;
    ConfigurationOptions() = TConfigurationOptions{};
    ASSERT_TRUE(reader.LoadConfiguration(Path())) << reader.Devices->LastError;
    EXPECT_EQ(DevicesOf(*reader.Devices), devices);
    EXPECT_EQ(ConfigurationOptions(), options);
    for (int32_t i = 0; i < reader.Devices->Count(); ++i) {
        EXPECT_EQ(reader.Devices->Device(i)->Index, i);
    }
    // The fields follow the properties.
    const TDevice& third = *reader.Devices->Device(2);
    EXPECT_EQ(third.DeviceAddress, 3);
    EXPECT_EQ(third.VarBlockCommand, "Block.Tag");
    EXPECT_EQ(reader.Devices->Device(1)->TimeOut, 250);
    EXPECT_EQ(reader.Devices->FindDevice("SNMP1", 3), reader.Devices->Item(2));
    EXPECT_EQ(reader.Devices->FindDevice("snmp2", 7), reader.Devices->Item(1));
    EXPECT_EQ(reader.Devices->FindDevice("SNMP2", 1), nullptr);
    // Command batches name the prefix as the plug-in binds it: trimmed.
    EXPECT_EQ(reader.Devices->FindDevice(" Snmp1\t", 3), reader.Devices->Item(2));
    reader.Devices->Device(2)->RoutingPrefix = " snmp1 ";
    EXPECT_EQ(reader.Devices->FindDevice("SNMP1", 3), reader.Devices->Item(2));
}

// Every value the writer accepts comes back unchanged: the reader's separators ('<', '/',
// '=', quotes of the other kind, blanks, line breaks, the root and device names, comment
// marks) inside values must not disturb it.
TEST_F(ConfigFile, EveryWrittenFileIsReadBack) {
    const std::string alphabet = std::string("ab <>/='\"-!?\t\r\n ") + "\xC0\xFF\x01" +
                                 "<device <SNMP </device></SNMP><!-- -->";
    std::mt19937 random(12345);
    int written = 0;
    for (int round = 0; round < 300; ++round) {
        ConfigurationOptions() = TConfigurationOptions{};
        Driver.Devices->FreeAll();
        const int count = int(random() % 4);
        for (int d = 0; d < count; ++d) {
            TDevice* device = Driver.Devices->AddNewDevice()->Device.get();
            for (int32_t p = 0; p < device->Properties->Count(); ++p) {
                std::string value;
                const size_t length = random() % 12;
                for (size_t k = 0; k < length; ++k) {
                    value += alphabet[random() % alphabet.size()];
                }
                device->Properties->Item(p)->Value = value;
            }
        }
        const auto devices = DevicesOf(*Driver.Devices);
        bool writable = true;
        for (const auto& properties : devices) {
            for (const auto& [name, value] : properties) {
                writable = writable && value.find_first_of("\">") == std::string::npos;
            }
        }
        fs::remove(Path());
        ASSERT_EQ(Driver.SaveConfiguration(Path()), writable) << "round " << round;
        if (!writable) {
            ASSERT_FALSE(fs::exists(Path()));
            continue;
        }
        ++written;
        TFrameworkDriver reader;
        ASSERT_TRUE(reader.LoadConfiguration(Path()))
            << "round " << round << ": " << reader.Devices->LastError;
        ASSERT_EQ(DevicesOf(*reader.Devices), devices) << "round " << round;
    }
    EXPECT_GT(written, 30);
}

TEST_F(ConfigFile, ReaderAcceptsAnyLayoutAndFormsOfBooleans) {
    Dir.Write("Plinvar.cfg",
              "\r\n <!-- written by hand -->\n<SNMP AutoRunServer='True' ThreadOnPort=\"1\"\n"
              "  ErrorMngrDisabled=\"yes\" GeneralCommandInterval=\"x\" CheckServerInterval=\"30\""
              " RAPEnabled=\"True\" RAPPort=\"1\">\n"
              "<DEVICE><session DeviceName='A' Unknown=\"lost\" IPPort=\"161\"/></DEVICE>\n"
              "\t<Device>  <other/> <session RoutingPrefix=\"P\"/></Device>  \n</SNMP>\n\n");
    ConfigurationOptions().RAPPort = 1; // ignored attributes leave the value as it was
    ASSERT_TRUE(Driver.LoadConfiguration(Path())) << Driver.Devices->LastError;
    const TConfigurationOptions& options = ConfigurationOptions();
    EXPECT_TRUE(options.AutoRunServer);
    EXPECT_TRUE(options.ThreadOnPort);
    EXPECT_FALSE(options.ErrorMngrDisabled);         // "yes" is no boolean: the default
    EXPECT_EQ(options.GeneralCommandInterval, 6000); // not a number: the default
    EXPECT_EQ(options.CheckServerInterval, 30);
    EXPECT_FALSE(options.RAPEnabled);
    EXPECT_EQ(options.RAPPort, 1);
    ASSERT_EQ(Driver.Devices->Count(), 2);
    const TDevice& a = *Driver.Devices->Device(0);
    EXPECT_EQ(a.DeviceName, "A");
    EXPECT_EQ(a.IPPort, 161);
    EXPECT_EQ(a.RoutingPrefix, "VANTORELIX"); // missing properties get their defaults
    EXPECT_EQ(a.Properties->FindProperty("Unknown"), nullptr);
    EXPECT_EQ(Driver.Devices->Device(1)->RoutingPrefix, "P");
    EXPECT_EQ(Driver.Devices->Device(1)->DeviceName, "New device");

    for (const char* value : {"-1", "True", "1", "tRUE"}) {
        Dir.Write("Plinvar.cfg", std::string("<SNMP AutoRunServer=\"") + value + "\"></SNMP>");
        ConfigurationOptions().AutoRunServer = false;
        ASSERT_TRUE(Driver.LoadConfiguration(Path()));
        EXPECT_TRUE(ConfigurationOptions().AutoRunServer) << value;
    }
    Dir.Write("Plinvar.cfg", "<SNMP AutoRunServer=\"0\"/>");
    ASSERT_TRUE(Driver.LoadConfiguration(Path()));
    EXPECT_FALSE(ConfigurationOptions().AutoRunServer);
}

TEST_F(ConfigFile, ReaderRejections) {
    const std::string device = "<device><session DeviceName=\"D\"/></device>";
    struct TCase {
        const char* What;
        std::string Text;
        int DevicesKept;
        bool OptionsRead; // CheckServerInterval="5" taken from the root
    };
    const TCase cases[] = {
        {"text after the root", "<SNMP CheckServerInterval=\"5\">" + device + "</SNMP>x", 0, false},
        {"a second root", "<SNMP CheckServerInterval=\"5\">" + device + "</SNMP><SNMP/>", 0, false},
        {"root name in other case", "<snmp CheckServerInterval=\"5\">" + device + "</snmp>", 0,
         false},
        {"other root", "<Modbus CheckServerInterval=\"5\">" + device + "</Modbus>", 0, false},
        {"no root", "just text", 0, false},
        {"unclosed root", "<SNMP CheckServerInterval=\"5\">" + device, 0, false},
        {"empty file", "", 0, false},
        {"root that does not parse", "<SNMP CheckServerInterval=5>" + device + "</SNMP>", 0, false},
        {"foreign element",
         "<SNMP CheckServerInterval=\"5\">" + device + device + "<devices/>" + device + "</SNMP>",
         2, true},
        {"element that does not parse",
         "<SNMP CheckServerInterval=\"5\">" + device + "<device x=1></device></SNMP>", 1, true},
        {"empty device",
         "<SNMP CheckServerInterval=\"5\">" + device + "<device></device>" + device + "</SNMP>", 0,
         true},
        {"self-closing device", "<SNMP CheckServerInterval=\"5\">" + device + "<device/></SNMP>", 0,
         true},
    };
    for (const auto& tc : cases) {
        ConfigurationOptions() = TConfigurationOptions{};
        Driver.Devices->AddNewDevice(); // whatever was loaded before goes
        Dir.Write("Plinvar.cfg", tc.Text);
        EXPECT_FALSE(Driver.LoadConfiguration(Path())) << tc.What;
        EXPECT_FALSE(Driver.Devices->LastError.empty()) << tc.What;
        EXPECT_EQ(Driver.Devices->Count(), tc.DevicesKept) << tc.What;
        EXPECT_EQ(ConfigurationOptions().CheckServerInterval, tc.OptionsRead ? 5 : 60) << tc.What;
    }
    Driver.Devices->AddNewDevice();
    EXPECT_FALSE(Driver.LoadConfiguration(Dir.File("missing.cfg")));
    EXPECT_EQ(Driver.Devices->Count(), 0);
}

TEST_F(ConfigFile, RefusedSaveWritesNothing) {
    Dir.Write("Plinvar.cfg", "previous");
    for (const char* value : {"say \"hi\"", "a>b"}) {
        Driver.Devices->FreeAll();
        Add("ok", "P", "1");
        Add("bad", "P", "2")->Properties->SetProperty("DeviceIPAddress", value, 0);
        EXPECT_FALSE(Driver.SaveConfiguration(Path())) << value;
        EXPECT_NE(Driver.Devices->LastError.find("device 2"), std::string::npos);
        EXPECT_EQ(Dir.Read("Plinvar.cfg"), "previous") << value;
    }
    // A property name the reader would cut differently is refused too.
    Driver.Devices->FreeAll();
    Add("ok", "P", "1")->Properties->Insert(new TDevicePropertyItem{"a=b", "1", 0});
    EXPECT_FALSE(Driver.SaveConfiguration(Path()));
    EXPECT_EQ(Dir.Read("Plinvar.cfg"), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}

TEST_F(ConfigFile, FailedWriteLeavesThePreviousFile) {
    Add("one", "P", "1");
    // The target's place is taken by a directory: the rename fails after the data was written.
    fs::create_directory(Dir.File("taken.cfg"));
    Dir.Write("taken.cfg/inside", "x");
    EXPECT_FALSE(Driver.SaveConfiguration(Dir.File("taken.cfg")));
    EXPECT_EQ(Dir.Read("taken.cfg/inside"), "x");
    // No directory to write into.
    EXPECT_FALSE(Driver.SaveConfiguration(Dir.File("none/Plinvar.cfg")));
    EXPECT_FALSE(fs::exists(Dir.File("none")));
    // No temporary file is left behind by either failure.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}

// Not testable when the process runs with privileges that ignore the permission bits.
TEST_F(ConfigFile, SaveIntoAReadOnlyDirectoryLeavesThePreviousFile) {
    Add("one", "P", "1");
    const std::string locked = Dir.File("locked");
    fs::create_directory(locked);
    Dir.Write("locked/Plinvar.cfg", "previous");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const bool bitsHold = !std::ofstream(locked + "/probe").is_open();
    if (bitsHold) {
        EXPECT_FALSE(Driver.SaveConfiguration(locked + "/Plinvar.cfg"));
        EXPECT_EQ(Dir.Read("locked/Plinvar.cfg"), "previous");
    }
    fs::permissions(locked, fs::perms::owner_all);
    if (!bitsHold) {
        GTEST_SKIP() << "permission bits are not enforced for this user";
    }
}

TEST_F(ConfigFile, SaveReplacesTheFileAndKeepsItsPermissions) {
    Dir.Write("Plinvar.cfg", std::string(100000, 'x')); // longer than the new content
    fs::permissions(Path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Add("one", "P", "1");
    ASSERT_TRUE(Driver.SaveConfiguration(Path()));
    EXPECT_EQ(Dir.Read("Plinvar.cfg").rfind("<SNMP ", 0), 0u);
    EXPECT_LT(Dir.Read("Plinvar.cfg").size(), 1000u);
    EXPECT_EQ(fs::status(Path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(Device, LoadSession) {
    TDevice device;
    device.Properties->SetProperty("DeviceName", "stale", 0);
    EXPECT_FALSE(device.LoadSession(""));
    EXPECT_EQ(device.Properties->GetValue("DeviceName", "?"), "New device"); // reset anyway

    EXPECT_TRUE(device.LoadSession("<x DeviceName=\"no\"/> <SESSION DeviceName=\"first\" "
                                   "IPPort=\"1\"/>\r\n<session DeviceName=\"second\"/>"));
    EXPECT_EQ(device.DeviceName, "second");
    EXPECT_EQ(device.IPPort, 1); // kept from the first session element
    // Text that is no element ends the walk.
    EXPECT_TRUE(device.LoadSession("<session DeviceName=\"first\"/> text <session "
                                   "DeviceName=\"second\"/>"));
    EXPECT_EQ(device.DeviceName, "first");
    // Only elements, no session: defaults, applied.
    EXPECT_TRUE(device.LoadSession("<other/>"));
    EXPECT_EQ(device.DeviceName, "New device");
    EXPECT_EQ(device.IPPort, 502);
}

TEST(Device, ApplyPropertiesFallbacks) {
    struct TCase {
        const char* Name;
        const char* Value;
        std::function<int64_t(const TDevice&)> Field;
        int64_t Expected;
    };
    const TCase cases[] = {
        {"DeviceAddress", "x", [](const TDevice& d) { return d.DeviceAddress; }, -1},
        {"IPPort", "", [](const TDevice& d) { return d.IPPort; }, 0},
        {"TimeOut", "1.5", [](const TDevice& d) { return d.TimeOut; }, 1000},
        {"RetryCount", "-", [](const TDevice& d) { return d.RetryCount; }, 3},
        {"Enabled", "maybe", [](const TDevice& d) { return d.Enabled; }, 0},
        {"Enabled", "-1", [](const TDevice& d) { return d.Enabled; }, 1},
        {"ReqwestInterval", "fast", [](const TDevice& d) { return d.ReqwestInterval; }, 1000},
        {"RS232BaudRate", "x", [](const TDevice& d) { return d.RS232BaudRate; }, 9600},
        {"RS232StopBits", "x", [](const TDevice& d) { return d.RS232StopBits; }, 0},
        {"RS232ByteSize", "x", [](const TDevice& d) { return d.RS232ByteSize; }, 8},
        {"RS232ByteSize", "4", [](const TDevice& d) { return d.RS232ByteSize; }, 4},
        {"RS232Parity", "2", [](const TDevice& d) { return d.RS232Parity; }, 2},
        {"timeout", "77", [](const TDevice& d) { return d.TimeOut; }, 77}, // any letter case
    };
    for (const auto& tc : cases) {
        TDevice device;
        device.Properties->FreeAll();
        device.Properties->SetProperty(tc.Name, tc.Value, 0);
        device.BlockTagIndex = -100;
        device.ApplyProperties();
        EXPECT_EQ(tc.Field(device), tc.Expected) << tc.Name << "=" << tc.Value;
        EXPECT_EQ(device.BlockTagIndex, -1);
    }
    TDevice device;
    device.Properties->SetProperty("DeviceName", std::string(300, 'n'), 0);
    device.Properties->SetProperty("VarBlockCommand", "\t Tag \r\n", 5);
    device.ApplyProperties();
    EXPECT_EQ(device.DeviceName.size(), 255u);
    EXPECT_EQ(device.VarBlockCommand, "Tag");
}

TEST(DeviceList, AssignCopiesDevices) {
    TSNMP_Driver driver;
    TDeviceList& source = *driver.Devices;
    source.AddNewDevice()->Device->Properties->SetProperty("DeviceName", "A", 0);
    source.AddNewDevice()->Device->Properties->SetProperty("DeviceName", "B", 0);
    source.Device(1)->Index = 42;
    std::unique_ptr<TDeviceList> copy(driver.CreateDeviceList());
    copy->AddNewDevice();
    copy->Assign(source);
    ASSERT_EQ(copy->Count(), 2);
    EXPECT_EQ(DevicesOf(*copy), DevicesOf(source));
    EXPECT_EQ(copy->Device(1)->DeviceName, "B"); // applied
    EXPECT_EQ(copy->Device(1)->Index, 42);
    EXPECT_NE(copy->Device(0), source.Device(0));
    EXPECT_GT(copy->Item(0)->LastPollTime, 0);
    EXPECT_TRUE(copy->CloseConnection()); // none open
}

} // namespace
