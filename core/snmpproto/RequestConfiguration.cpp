// The process-wide request configuration. Only start-up and shutdown write the pointer, while
// no polling thread runs, so it needs no lock.
#include "core/snmpproto/RequestConfiguration.h"

#include "core/driver/Driver.h"
#include "core/snmpproto/RequestTexts.h"

#include <filesystem>
#include <system_error>

std::unique_ptr<const TSNMPDeviceList> RequestConfiguration;

std::string RequestFileName(const std::string& configFileName) {
    return ChangeFileExt(configFileName, ".xml");
}

bool ReadRequestFile(const std::string& requestFileName, TSNMPDeviceList& list) {
    std::error_code failure;
    if (!std::filesystem::exists(requestFileName, failure)) {
        list.LoadError = SnmpRequestTexts().NoRequestFile;
        return false;
    }
    std::string error;
    list.LoadFromFile(requestFileName, error);
    return list.LoadError.empty();
}

bool LoadRequestConfiguration(const std::string& configFileName) {
    auto list = std::make_unique<TSNMPDeviceList>();
    const bool loaded = ReadRequestFile(RequestFileName(configFileName), *list);
    RequestConfiguration = std::move(list);
    return loaded;
}

void ReleaseRequestConfiguration() {
    RequestConfiguration.reset();
}
