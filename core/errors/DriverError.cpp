// The error reporters of the plug-in and the server.
#include "core/errors/DriverError.h"

#include "core/errors/ErrorTexts.h"
#include "core/intercom/IntercomInterface.h"

#include "platform/Ticks.h"

#include <string>

namespace {
std::atomic<platform::HWND> CurrentLogWindow{0};
} // namespace

platform::HWND LogWindowHandle() {
    return CurrentLogWindow.load();
}

void SetLogWindowHandle(platform::HWND window) {
    CurrentLogWindow.store(window);
}

void TDriverErrorClass::AddToLog(int32_t code, std::string_view text) {
    std::string line = std::to_string(code);
    line += ": ";
    line += text;
    platform::TLock lock(LogLock);
    Log.Add(line);
}

std::string TDriverErrorClass::GetLogText() const {
    platform::TLock lock(LogLock);
    return Log.GetText();
}

std::string TDriverErrorClass::GetErrorText(int32_t code, int32_t info) const {
    return ::GetErrorText(code, info);
}

void TDriverErrorClass::Report(int32_t code, int32_t info, const std::exception* exception) {
    try {
        if (!Enabled || (code == 0 && exception == nullptr)) {
            return;
        }
        const std::string text = exception ? exception->what() : GetErrorText(code, info);
        ReportText(code, text);
    } catch (...) {
    }
}

void TDriverErrorClass::ReportText(int32_t code, std::string_view text) {
    try {
        if (!Enabled) {
            return;
        }
        TErrorNotification notification{};
        notification.Size.Set(int32_t(sizeof(notification)));
        notification.Time.Set(platform::Now());
        notification.Code.Set(code);
        notification.Text.Set(text.substr(0, NotificationTextLength));
        AddToLog(code, text);
        // Sent outside the log's lock: the window reads the log while it handles the message.
        if (const platform::HWND window = LogWindowHandle(); window != 0) {
            platform::SendMessage(window, DriverLogMessage, DriverLogWParam,
                                  reinterpret_cast<intptr_t>(&notification));
        }
    } catch (...) {
    }
}

void TServerErrorClass::Report(int32_t code, int32_t info, const std::exception* exception) {
    try {
        if (!Enabled || Channel.load() == nullptr) {
            return;
        }
        const std::string text = exception ? exception->what() : GetErrorText(code, info);
        ReportText(code, text);
    } catch (...) {
    }
}

void TServerErrorClass::ReportText(int32_t code, std::string_view text) {
    try {
        TIntercomInterface* channel = Channel.load();
        if (!Enabled || channel == nullptr) {
            return;
        }
        channel->Errors.Add(code, text);
        if (const platform::HWND window = Window.load(); window != 0) {
            const std::string message(text); // zero-terminated for the window
            platform::SendMessage(window, ServerErrorMessage,
                                  static_cast<uintptr_t>(static_cast<intptr_t>(code)),
                                  reinterpret_cast<intptr_t>(message.c_str()));
        }
    } catch (...) {
    }
}
