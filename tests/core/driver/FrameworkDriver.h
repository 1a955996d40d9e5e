// A driver with the SNMP driver's names and files but the framework's own devices and settings,
// for tests of the configuration file and the "debugger" settings as the base classes give them.
#pragma once

#include "core/driver/Driver.h"

class TFrameworkDriver : public TDriver {
public:
    std::string GetDriverName() override { return "Plinvar"; }
    std::string GetConfigRootName() override { return "SNMP"; }
};
