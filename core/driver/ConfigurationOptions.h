// The driver-wide options stored as attributes of the configuration file's root element.
// One process-wide instance, written while loading or after the setup dialog, read by all.
#pragma once

#include <cstdint>

struct TConfigurationOptions {
    bool ThreadOnPort = false;             // one polling thread per port
    bool ErrorMngrDisabled = false;        // switches the error reporters off
    int32_t GeneralCommandInterval = 6000; // ms per command before a batch is failed
    bool AutoRunServer = true;             // the plug-in starts the server itself
    int32_t CheckServerInterval = 60;      // server supervision interval
    bool RAPEnabled = false;               // remote access: stored only
    uint16_t RAPPort = 6042;               // remote access TCP port: stored only

    bool operator==(const TConfigurationOptions&) const = default;
};

// The options the process works with. Dialogs edit a copy and write it back on confirmation.
TConfigurationOptions& ConfigurationOptions();
