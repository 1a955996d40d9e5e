// TSNMP_Driver: the driver object of the SNMP driver "Plinvar" (names, texts, identifier,
// factories, the request configuration). One process-wide instance in the plug-in and the server.
#pragma once

#include "core/driver/Driver.h"

class TSNMP_Driver : public TDriver {
public:
    TSNMP_Driver();
    ~TSNMP_Driver() override;

    // Switches the terminal text mode on: SNMP exchanges are shown as text.
    void Prepare() override;
    void GetDriverInfo(TDriverInfoRecord& info) override;
    std::string GetDriverName() override;
    std::string GetConfigRootName() override;
    std::string GetSetupCaption() override;
    std::string GetAboutText() override;
    std::string GetTitle() override;
    bool HasAdditionalSetup() override;
    // A TSNMP_Device and a device list whose connections are SNMP connections.
    TDevice* CreateDevice() override;
    TDeviceList* CreateDeviceList() override;
    // The settings, then the request configuration beside the configuration file (same name,
    // extension ".xml") into RequestConfiguration; false when that did not load completely
    // (polling then goes on with the device types that did load).
    bool ReadSettings(int32_t mode, const std::string& configFileName) override;
    // Releases RequestConfiguration.
    bool Finalize() override;

    // {370C1192-6854-41C0-9F23-871DF1A00AFA}
    static constexpr TDriverGuid Guid{
        0x370C1192, 0x6854, 0x41C0, {0x9F, 0x23, 0x87, 0x1D, 0xF1, 0xA0, 0x0A, 0xFA}};
};
