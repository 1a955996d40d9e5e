// Plinvar.srv entry: finds its files beside the executable, opens the block the plug-in created,
// makes sure it is the only server of that block, and runs the main window until it closes.
#include "server/ServerPolling.h"
#include "server/ServerState.h"
#include "server/ServerWindow.h"

#include "core/driver/SnmpDriver.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/KernelTagApi.h"
#include "core/polling/ServerRuntime.h"
#include "kernel/Ostrilax.h"
#include "platform/Process.h"

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace {

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Another server serves the block while its slot names a live window of a live process.
bool AnotherServerAlive(const TServerData& slot) {
    const uint32_t processId = slot.GetProcessId();
    const platform::HWND window = slot.GetWindowHandle();
    return processId != 0 && window != 0 && platform::IsWindow(window) &&
           platform::IsProcessAlive(processId);
}

// Servers run where no desktop is: without a display Qt draws offscreen.
void ChooseQtPlatform() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
}

// The one driver object of this process, installed for the whole program and released by the
// clean-up after the polling threads have stopped (or on any early exit).
struct TDriverHolder {
    std::unique_ptr<TSNMP_Driver> Object = std::make_unique<TSNMP_Driver>();
    TDriverHolder() { SetDriver(Object.get()); }
    ~TDriverHolder() { Release(); }
    void Release() {
        SetDriver(nullptr);
        Object.reset();
    }
};

} // namespace

int main(int argc, char** argv) {
    SetServerSlot(0);
    ServerRuntime().Clear();
    // The polling threads ask the kernel's library for block tags.
    SetKernelTagApi({API_GetTagInfoByName, API_GetTagValueByGlobalIndex});
    auto& server = Server();
    TDriverHolder driverHolder;
    TDriver& driver = *driverHolder.Object;

    // The command line (the plug-in passes the configuration path) is not read: every path
    // derives from where this program lies.
    server.ConfigFileName = platform::GetExecutableDirectory() + driver.GetConfigFileName();
    if (!FileExists(server.ConfigFileName)) {
        return 0;
    }
    server.Channel = TIntercomInterface::Create(driver.GetDataFileName());
    if (server.Channel == nullptr || !server.Channel->IsMapped()) {
        return 0;
    }
    if (AnotherServerAlive(server.Channel->ServerData)) {
        return 0;
    }

    ChooseQtPlatform();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString());
    auto* window = new TServerWindow();
    QApplication::exec();

    // The window is closed; its destruction below runs the rest of the shutdown. The threads
    // call into the driver object on every pass, so they end and go before it does.
    StopPolling();
    ReleasePolling();
    driverHolder.Release();
    if (server.Channel != nullptr && server.Channel->IsMapped()) {
        auto& slot = server.Channel->ServerData;
        slot.SetProcessId(0);
        slot.SetWindowHandle(0);
        slot.SetActive(0);
    }
    delete window;
    return 0;
}
