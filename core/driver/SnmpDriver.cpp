// Names and texts of the SNMP driver.
#include "core/driver/SnmpDriver.h"

#include "core/driver/DeviceList.h"
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
