// Names and texts of the SNMP driver.
#include "core/driver/SnmpDriver.h"

#include "core/driver/DeviceList.h"
#include "core/snmpproto/RequestConfiguration.h"
#include "core/snmpproto/SnmpConnection.h"
#include "core/snmpproto/SnmpDevice.h"
#include "platform/AnsiText.h"

namespace {

// The texts of the SNMP driver, in UTF-8, converted to the code page once.
struct TTexts {
    std::string InfoName = platform::Utf8ToAnsi("Драйвер протокола SNMP. Версия 1.0");
    std::string SetupCaption = platform::Utf8ToAnsi("Свойства драйвера протокола SNMP...");
    std::string Title = platform::Utf8ToAnsi("Драйвер протокола SNMP");
    std::string AboutText = platform::Utf8ToAnsi(
        "\r\n"
        "Драйвер обмена данными с периферийными устройствами по протоколу  SNMP.\r\n"
        "\r\n"
        "Версия 1.0\r\n"
        "\r\n"
        "Plinvar для ядра SCADA Vantorelix.");
};

const TTexts& Texts() {
    static const TTexts texts;
    return texts;
}

} // namespace

TSNMP_Driver::TSNMP_Driver() {
    Devices.reset(CreateDeviceList());
}

TSNMP_Driver::~TSNMP_Driver() {
    Shutdown();
}

void TSNMP_Driver::Prepare() {
    TDriver::Prepare();
    DriverOptions().TerminalTextMode = true;
}

void TSNMP_Driver::GetDriverInfo(TDriverInfoRecord& info) {
    FillDriverInfo(info, Guid, Texts().InfoName);
}

std::string TSNMP_Driver::GetDriverName() {
    return "Plinvar";
}

std::string TSNMP_Driver::GetConfigRootName() {
    return "SNMP";
}

std::string TSNMP_Driver::GetSetupCaption() {
    return Texts().SetupCaption;
}

std::string TSNMP_Driver::GetAboutText() {
    return Texts().AboutText;
}

std::string TSNMP_Driver::GetTitle() {
    return Texts().Title;
}

bool TSNMP_Driver::HasAdditionalSetup() {
    return true;
}

TDevice* TSNMP_Driver::CreateDevice() {
    return new TSNMP_Device();
}

TDeviceList* TSNMP_Driver::CreateDeviceList() {
    return new TMyDeviceList(*this);
}

bool TSNMP_Driver::ReadSettings(int32_t mode, const std::string& configFileName) {
    TDriver::ReadSettings(mode, configFileName);
    return LoadRequestConfiguration(configFileName);
}

bool TSNMP_Driver::Finalize() {
    ReleaseRequestConfiguration();
    return TDriver::Finalize();
}
