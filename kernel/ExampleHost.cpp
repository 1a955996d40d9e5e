// example-host: a small kernel host that stands where the plug-in will stand. It publishes the
// kernel's tag table, creates the driver's shared block with the tags whose routing prefix
// belongs to a configured device, starts the server beside the configuration, asks it to poll,
// prints what arrives, and stops it again.
#include "kernel/KernelTagTable.h"
#include "kernel/TagDatabase.h"

#include "core/driver/DeviceList.h"
#include "core/driver/SnmpDriver.h"
#include "core/intercom/IntercomInterface.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

volatile std::sig_atomic_t Interrupted = 0;

void OnSignal(int) {
    Interrupted = 1;
}

int Usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: example-host --dir DIR [--tags FILE] [--seconds N] [--quiet]\n"
                 "  DIR holds Plinvar.srv, Plinvar.cfg (and Plinvar.xml, Plinvar.ini).\n"
                 "  FILE is the kernel's tag database (default DIR/tags.db).\n"
                 "  Runs N seconds (default 10; 0 = until interrupted), printing tag values.\n");
    return out == stdout ? 0 : 2;
}

std::string PrefixOf(const std::string& routing) {
    const auto colon = routing.find(':');
    return colon == std::string::npos
               ? std::string()
               : platform::AnsiUpperCase(platform::Trim(routing.substr(0, colon)));
}

void PrintTags(const TIntercomInterface& block) {
    const int32_t count = block.StaticTags.Count();
    for (int32_t i = 0; i < count; ++i) {
        TDMLVariable record;
        if (block.StaticTags.GetRecord(i, record)) {
            std::printf("  %-24s %-36s %g\n",
                        platform::AnsiToUtf8(record.Info.TagName.Get()).c_str(),
                        platform::AnsiToUtf8(record.Info.Routing.Get()).c_str(),
                        double(record.Value.Get()));
        }
    }
    for (int32_t i = 0; i < block.DynamicTags.Count(); ++i) {
        TDynamicVariable record;
        if (block.DynamicTags.GetRecord(i, record)) {
            std::printf("  %-24s %-36s %g\n", platform::AnsiToUtf8(record.Name.Get()).c_str(),
                        "(link or command state)", double(record.Value.Get()));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string dir;
    std::string tagsFile;
    int seconds = 10;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return Usage(stdout);
        } else if (arg == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else if (arg == "--tags" && i + 1 < argc) {
            tagsFile = argv[++i];
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            return Usage(stderr);
        }
    }
    if (dir.empty()) {
        return Usage(stderr);
    }
    if (dir.back() != '/') {
        dir += '/';
    }
    if (tagsFile.empty()) {
        tagsFile = dir + "tags.db";
    }

    TSNMP_Driver driver;
    SetDriver(&driver);
    const std::string configFile = dir + driver.GetConfigFileName();
    if (!driver.LoadConfiguration(configFile)) {
        std::fprintf(stderr, "example-host: cannot load %s\n", configFile.c_str());
        return 1;
    }
    TTagDatabase database;
    std::string error;
    if (!database.LoadFromFile(tagsFile, error)) {
        std::fprintf(stderr, "example-host: %s: %s\n", tagsFile.c_str(), error.c_str());
        return 1;
    }

    // The kernel's side: every tag is published for the libraries.
    auto table = TKernelTagPublisher::Create(int32_t(database.Tags.size()) + 1);
    if (table == nullptr) {
        std::fprintf(stderr, "example-host: another kernel of this instance is running\n");
        return 1;
    }
    for (const auto& tag : database.Tags) {
        table->AddTag(tag.TagName.Get(), tag.Id.Get(), tag.Value.Get());
    }

    // The plug-in's side: the tags of the configured devices go into the block.
    std::set<std::string> prefixes;
    std::string prefixList;
    for (int32_t i = 0; i < driver.Devices->Count(); ++i) {
        const std::string prefix =
            platform::AnsiUpperCase(driver.Devices->Device(i)->RoutingPrefix);
        if (prefixes.insert(prefix).second) {
            prefixList += (prefixList.empty() ? "" : ";") + prefix;
        }
    }
    std::vector<const TVariableInfo*> bound;
    for (const auto& tag : database.Tags) {
        if (prefixes.count(PrefixOf(tag.Routing.Get())) != 0) {
            bound.push_back(&tag);
        }
    }
    auto block = TIntercomInterface::Create(driver.GetDataFileName(), int32_t(bound.size()));
    if (!block->IsMapped()) {
        std::fprintf(stderr, "example-host: the block %s is in use\n",
                     driver.GetDataFileName().c_str());
        return 1;
    }
    SetServerSlot(0);
    for (const auto* tag : bound) {
        block->StaticTags.Add(*tag);
    }
    for (int32_t i = 0; i < driver.Devices->Count(); ++i) {
        const TDevice* device = driver.Devices->Device(i);
        for (const auto& name : {device->VarConnectStateName, device->CommandStateName}) {
            if (!platform::Trim(name).empty()) {
                block->DynamicTags.SetValue(name, false, 0.0f, platform::Now());
            }
        }
    }
    const platform::HWND hostWindow = platform::CreateWindowHandle(
        [](platform::HWND, uint32_t, uintptr_t, intptr_t) { return 0; });
    block->Info.SetDmlName(driver.GetTitle());
    block->Info.SetPrefixes(prefixList);
    block->Info.SetHostWindow(hostWindow);
    block->Info.SetDmlState(1);
    std::printf("example-host: %zu of %zu tags bound to %s\n", bound.size(), database.Tags.size(),
                prefixList.c_str());

    uint32_t serverPid = 0;
    if (!platform::StartProcess(dir + driver.GetServerFileName(), {"\"" + configFile + "\""},
                                &serverPid)) {
        std::fprintf(stderr, "example-host: cannot start %s%s\n", dir.c_str(),
                     driver.GetServerFileName().c_str());
        return 1;
    }
    block->ServerData.SetActive(1);
    block->Info.SetDmlState(2);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const uint32_t start = platform::GetTickCount();
    uint32_t lastPrint = start;
    while (!Interrupted &&
           (seconds == 0 || platform::TicksSince(start) < uint32_t(seconds) * 1000)) {
        platform::WaitMessage(100);
        if (!quiet && platform::TicksSince(lastPrint) >= 1000) {
            lastPrint = platform::GetTickCount();
            std::printf("-- %.1f s: server pid %u window %u active %u heartbeat %d\n",
                        platform::TicksSince(start) / 1000.0, block->ServerData.GetProcessId(),
                        block->ServerData.GetWindowHandle(), block->ServerData.GetActive(),
                        block->ServerData.GetServerTransactionId());
            PrintTags(*block);
            std::fflush(stdout);
        }
    }

    // Stop as the plug-in does: Active := 0, then close every server window.
    block->ServerData.SetActive(0);
    block->Info.SetDmlState(3);
    const platform::HWND serverWindow = block->ServerData.GetWindowHandle();
    if (serverWindow != 0) {
        platform::PostMessage(serverWindow, platform::WM_CLOSE, 0, 0);
    }
    int exitCode = -1;
    if (!platform::WaitProcess(serverPid, 10000, &exitCode)) {
        platform::KillProcess(serverPid);
        platform::WaitProcess(serverPid, 2000, &exitCode);
    }
    std::printf("example-host: server ended with code %d; slot 0: pid %u window %u active %u\n",
                exitCode, block->ServerData.GetProcessId(), block->ServerData.GetWindowHandle(),
                block->ServerData.GetActive());
    platform::DestroyWindowHandle(hostWindow);
    SetDriver(nullptr);
    return 0;
}
