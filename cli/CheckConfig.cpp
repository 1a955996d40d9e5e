// plinvar check-config: reads a driver configuration file exactly as the driver does and
// shows what it would work with (options and devices), or why it would refuse the file.
#include "core/driver/ConfigurationOptions.h"
#include "core/driver/DeviceList.h"
#include "core/driver/SnmpDriver.h"
#include "platform/AnsiText.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

void PrintCheckConfigUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: plinvar check-config FILE\n"
                 "\n"
                 "Reads FILE as the SNMP driver reads its configuration (Plinvar.cfg) and prints\n"
                 "the driver-wide options and the properties of every device, or the reason the\n"
                 "driver would refuse the file. Texts are shown in UTF-8.\n"
                 "\n"
                 "Exit status: 0 when the driver accepts the file, 1 when it refuses it (or it\n"
                 "cannot be read), 2 for wrong usage.\n");
}

const char* TrueFalse(bool value) {
    return value ? "True" : "False";
}

void PrintOptions(const TConfigurationOptions& options) {
    std::printf("options:\n");
    std::printf("  %-24s %s\n", "ThreadOnPort", TrueFalse(options.ThreadOnPort));
    std::printf("  %-24s %s\n", "ErrorMngrDisabled", TrueFalse(options.ErrorMngrDisabled));
    std::printf("  %-24s %d\n", "GeneralCommandInterval", int(options.GeneralCommandInterval));
    std::printf("  %-24s %s\n", "AutoRunServer", TrueFalse(options.AutoRunServer));
    std::printf("  %-24s %d\n", "CheckServerInterval", int(options.CheckServerInterval));
    std::printf("  %-24s %s (not read: no remote access)\n", "RAPEnabled",
                TrueFalse(options.RAPEnabled));
    std::printf("  %-24s %d (not read: no remote access)\n", "RAPPort", int(options.RAPPort));
}

void PrintDevice(int32_t number, const TDevice& device) {
    std::printf("device %d: %s (prefix %s, address %d, %s)\n", int(number),
                platform::AnsiToUtf8(device.DeviceName).c_str(),
                platform::AnsiToUtf8(device.RoutingPrefix).c_str(), int(device.DeviceAddress),
                device.Enabled ? "enabled" : "disabled");
    for (int32_t i = 0; i < device.Properties->Count(); ++i) {
        const TDevicePropertyItem* item = device.Properties->Item(i);
        std::printf("  %-24s \"%s\"\n", platform::AnsiToUtf8(item->Name).c_str(),
                    platform::AnsiToUtf8(item->Value).c_str());
    }
}

// Tags are routed to the first device of a prefix and address: a second one never gets any.
void WarnAboutDuplicates(const TDeviceList& devices) {
    for (int32_t i = 0; i < devices.Count(); ++i) {
        const TDevice* device = devices.Device(i);
        const TDeviceListItem* first =
            devices.FindDevice(device->RoutingPrefix, device->DeviceAddress);
        if (first != nullptr && first != devices.Item(i)) {
            std::printf("warning: device %d has the routing prefix and address of device %d;"
                        " its tags go to device %d\n",
                        int(i + 1), int(first->Device->Index + 1), int(first->Device->Index + 1));
        }
    }
}

} // namespace

int RunCheckConfig(int argc, char** argv) {
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            PrintCheckConfigUsage(stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "plinvar check-config: unknown option '%s'\n\n", argv[i]);
            PrintCheckConfigUsage(stderr);
            return 2;
        }
        files.emplace_back(arg);
    }
    if (files.size() != 1) {
        PrintCheckConfigUsage(stderr);
        return 2;
    }
    const std::string& file = files.front();

    TSNMP_Driver driver;
    if (!driver.LoadConfiguration(file)) {
        std::fprintf(stderr, "plinvar check-config: %s is refused: %s\n", file.c_str(),
                     platform::AnsiToUtf8(driver.Devices->LastError).c_str());
        return 1;
    }
    const TDeviceList& devices = *driver.Devices;
    std::printf("%s: accepted, root <%s>, %d device%s\n", file.c_str(),
                driver.GetConfigRootName().c_str(), int(devices.Count()),
                devices.Count() == 1 ? "" : "s");
    PrintOptions(ConfigurationOptions());
    for (int32_t i = 0; i < devices.Count(); ++i) {
        PrintDevice(i + 1, *devices.Device(i));
    }
    WarnAboutDuplicates(devices);
    return 0;
}
