// The server's process-wide runtime state.
#include "core/polling/ServerRuntime.h"

#include "core/errors/DriverError.h"

TServerRuntime& ServerRuntime() {
    static TServerRuntime runtime;
    return runtime;
}

TSelectedDeviceTexts TServerRuntime::GetTexts() const {
    platform::TLock lock(FTextLock);
    return FTexts;
}

void TServerRuntime::SetRequestTexts(std::string_view requests, std::string_view cycle,
                                     std::string_view timeOut, std::string_view linkState) {
    platform::TLock lock(FTextLock);
    FTexts.RequestsText = requests;
    FTexts.RequestCycleText = cycle;
    FTexts.RequestTimeOutText = timeOut;
    FTexts.LinkStateText = linkState;
}

void TServerRuntime::SetCommandsText(std::string_view commands) {
    platform::TLock lock(FTextLock);
    FTexts.CommandsText = commands;
}

void TServerRuntime::NotifyWindow(uintptr_t wParam) const {
    const platform::HWND window = ServerWindowHandle.load();
    if (window == 0 || Stopping.load()) {
        return;
    }
    platform::SendMessage(window, WindowUpdateMessage, wParam, 0);
}

void TServerRuntime::Report(int32_t code, int32_t info) const {
    if (TServerErrorClass* reporter = ErrorReporter.load()) {
        reporter->Report(code, info);
    }
}

void TServerRuntime::ReportText(int32_t code, std::string_view text) const {
    if (TServerErrorClass* reporter = ErrorReporter.load()) {
        reporter->ReportText(code, text);
    }
}

void TServerRuntime::Clear() {
    Channel = nullptr;
    ErrorReporter = nullptr;
    VariableIndex = nullptr;
    Stopping = false;
    ServerWindowHandle = 0;
    SelectedDeviceIndex = -1;
    platform::TLock lock(FTextLock);
    FTexts = TSelectedDeviceTexts{};
}
