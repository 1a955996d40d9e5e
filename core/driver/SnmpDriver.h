// TSNMP_Driver: the driver object of the SNMP driver "Plinvar" (names, texts, identifier).
// One process-wide instance in the plug-in and in the server.
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

    // {370C1192-6854-41C0-9F23-871DF1A00AFA}
    static constexpr TDriverGuid Guid{
        0x370C1192, 0x6854, 0x41C0, {0x9F, 0x23, 0x87, 0x1D, 0xF1, 0xA0, 0x0A, 0xFA}};
};
