// The server's polling machinery: the routing index and the threads, owned by the server state
// and lent to the threads through the runtime.
#include "server/ServerPolling.h"

#include "server/ServerState.h"

#include "core/driver/DeviceList.h"
#include "core/driver/Driver.h"
#include "core/polling/DeviceThread.h"
#include "core/polling/ServerRuntime.h"

bool BuildVariableIndex() {
    auto& server = Server();
    server.VariableIndex = std::make_unique<TVariableIndex>();
    ServerRuntime().VariableIndex = server.VariableIndex.get();
    return server.VariableIndex->Build();
}

void CreatePollingThreads(bool threadOnPort) {
    auto& server = Server();
    TDriver* driver = GetDriver();
    if (driver == nullptr) {
        return;
    }
    server.ThreadsList.reset(driver->CreateThreadsList());
    server.ThreadsList->CreateThreads(*driver->Devices, threadOnPort);
}

void ResumePolling() {
    if (auto& threads = Server().ThreadsList) {
        threads->ResumeAll();
    }
}

void StopPolling() {
    if (auto& threads = Server().ThreadsList) {
        threads->StopAll();
    }
}

bool PollingRunning() {
    const auto& threads = Server().ThreadsList;
    return threads != nullptr && threads->Running;
}

int32_t PollingThreadCount() {
    const auto& threads = Server().ThreadsList;
    return threads != nullptr ? threads->Count() : 0;
}

void ReleasePolling() {
    auto& server = Server();
    server.ThreadsList.reset();
    ServerRuntime().VariableIndex = nullptr;
    server.VariableIndex.reset();
}

void SetSelectedDeviceIndex(int32_t index) {
    ServerRuntime().SelectedDeviceIndex = index;
}

TSelectedDeviceTexts PollingTexts() {
    return ServerRuntime().GetTexts();
}
