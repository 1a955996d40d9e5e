// The abstract driver: file names, the "debugger" settings, the information record, factories.
#include "core/driver/Driver.h"

#include "core/driver/Device.h"
#include "core/driver/DeviceList.h"
#include "core/driver/ThreadsList.h"
#include "platform/AnsiText.h"
#include "platform/IniFile.h"

#include <atomic>

namespace {

std::atomic<TDriver*> ProcessDriver{nullptr};

// The texts of the abstract driver, in UTF-8; every concrete driver replaces them but the
// setup caption.
struct TTexts {
    std::string SetupCaption = platform::Utf8ToAnsi("Свойства драйвера...");
    std::string AboutText = "\r\nAbstract device driver of the Vantorelix SCADA kernel.\r\n";
    std::string Title = "Abstract device driver";
};

const TTexts& Texts() {
    static const TTexts texts;
    return texts;
}

} // namespace

TDriverOptions& DriverOptions() {
    static TDriverOptions options;
    return options;
}

int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def) {
    return platform::ReadIniInteger(file, section, key, def);
}

bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def) {
    return platform::ReadIniBool(file, section, key, def);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const size_t slash = path.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) {
        return path + ext;
    }
    return path.substr(0, dot) + ext;
}

TDriver* GetDriver() {
    return ProcessDriver.load();
}

void SetDriver(TDriver* driver) {
    ProcessDriver.store(driver);
}

TDriver::TDriver() : Devices(CreateDeviceList()) {}

TDriver::~TDriver() {
    Shutdown();
}

void TDriver::Shutdown() {
    if (ShutDown) {
        return;
    }
    ShutDown = true;
    Devices.reset();
    Finalize();
}

bool TDriver::SaveConfiguration(const std::string& fileName) {
    return Devices->SaveToFile(fileName);
}

bool TDriver::LoadConfiguration(const std::string& fileName) {
    return Devices->LoadFromFile(fileName);
}

void TDriver::BeginSetup() {}

void TDriver::CancelSetup() {}

void TDriver::Prepare() {}

void TDriver::FillDriverInfo(TDriverInfoRecord& info, const TDriverGuid& guid,
                             const std::string& name) {
    info.Zero();
    guid.Store(info.Guid);
    info.Name.Set(name);
    info.FormatValue1.Set(-1);
    info.FormatValue2.Set(-1);
    info.FormatValue3.Set(-1);
    info.FormatValue4.Set(-1);
    info.FormatValue5.Set(100);
    info.FormatValue6.Set(100);
}

void TDriver::GetDriverInfo(TDriverInfoRecord& info) {
    FillDriverInfo(info, TDriverGuid{}, GetTitle());
}

std::string TDriver::GetDriverName() {
    return "VantorelixDriver";
}

std::string TDriver::GetConfigRootName() {
    return "DRIVER";
}

std::string TDriver::GetSetupCaption() {
    return Texts().SetupCaption;
}

std::string TDriver::GetAboutText() {
    return Texts().AboutText;
}

std::string TDriver::GetTitle() {
    return Texts().Title;
}

bool TDriver::SupportsRemoteAccess() {
    return false;
}

TDevice* TDriver::CreateDevice() {
    return new TDevice();
}

TDeviceList* TDriver::CreateDeviceList() {
    return new TDeviceList(*this);
}

TThreadsList* TDriver::CreateThreadsList() {
    return new TThreadsList();
}

bool TDriver::ReadSettings(int32_t /*mode*/, const std::string& configFileName) {
    const std::string settings = ChangeFileExt(configFileName, ".ini");
    TDriverOptions& options = DriverOptions();
    options.ImitatorMode = ReadIniBool(settings, "debugger", "imitator", options.ImitatorMode);
    options.ImitatorRate = ReadIniInteger(settings, "debugger", "rate", -1);
    options.ImitatorStateChange =
        ReadIniBool(settings, "debugger", "state_change", options.ImitatorStateChange);
    return true;
}

bool TDriver::Finalize() {
    return true;
}

bool TDriver::HasAdditionalSetup() {
    return false;
}

void TDriver::ShowAdditionalSetup(void* /*owner*/, const std::string& /*settingsFileName*/) {}

std::string TDriver::GetConfigFileName() {
    return GetDriverName() + ".cfg";
}

std::string TDriver::GetDataFileName() {
    return GetDriverName() + ".dat";
}

std::string TDriver::GetServerFileName() {
    return GetDriverName() + ".srv";
}
