// The server's process-wide state that the polling threads share with the main window: the
// installed channel, reporter and tag index, the stop flag, and the texts of the selected device.
#pragma once

#include "platform/Thread.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class TIntercomInterface;
class TServerErrorClass;
class TVariableIndex;

// Sent synchronously by a polling thread to ServerWindowHandle while it is set and Stopping is
// clear; lParam 0. The window copies the texts (GetTexts) while the sender waits.
constexpr uint32_t WindowUpdateMessage = 1357;
constexpr uintptr_t WindowUpdateRequests = 0; // RequestsText and the three statistics changed
constexpr uintptr_t WindowUpdateCommands = 1; // CommandsText changed

// The texts the server window shows for the selected device.
struct TSelectedDeviceTexts {
    std::string RequestsText;
    std::string CommandsText;
    std::string RequestCycleText = "----";
    std::string RequestTimeOutText = "----";
    std::string LinkStateText = "----";
};

// One instance per process (ServerRuntime()). Who touches what:
// - Channel, ErrorReporter, VariableIndex: installed by the server's main thread during start-up
//   (the reporter and index before the threads are created) and cleared during shutdown after
//   StopAll; the objects stay owned by the server program. Polling threads only read them.
//   Null means "none": nothing is reported, values and tags go nowhere.
// - Stopping: written by the main thread (close request, shutdown), read by polling threads
//   between devices and before every window message.
// - ServerWindowHandle: written by the main thread at start-up; read by polling threads.
// - SelectedDeviceIndex: written by the main thread when a device is chosen; read by polling
//   threads, which publish texts only for the device whose Index equals it.
// - The texts: written by polling threads through the Set...Texts calls, read by the main thread
//   through GetTexts (normally inside the handler of WindowUpdateMessage). A lock guards them,
//   because the selection may change while two threads publish.
// - TagLock: taken by polling threads around kernel tag look-ups and every write of received
//   values into the static tags; the main thread never takes it.
class TServerRuntime {
public:
    std::atomic<TIntercomInterface*> Channel{nullptr};
    std::atomic<TServerErrorClass*> ErrorReporter{nullptr};
    std::atomic<TVariableIndex*> VariableIndex{nullptr};
    std::atomic<bool> Stopping{false};
    std::atomic<platform::HWND> ServerWindowHandle{0};
    std::atomic<int32_t> SelectedDeviceIndex{-1};
    platform::TCriticalSection TagLock;

    TSelectedDeviceTexts GetTexts() const;
    // RequestsText and the three statistics, together.
    void SetRequestTexts(std::string_view requests, std::string_view cycle,
                         std::string_view timeOut, std::string_view linkState);
    void SetCommandsText(std::string_view commands);

    // Sends WindowUpdateMessage with wParam to the window, unless there is none or the server
    // is stopping. Returns at once from a thread without a window.
    void NotifyWindow(uintptr_t wParam) const;

    // Reports through the installed reporter; nothing when there is none. Never throws.
    void Report(int32_t code, int32_t info) const;
    void ReportText(int32_t code, std::string_view text) const;

    // Back to the initial state: no channel, reporter, index or window, not stopping, no device
    // selected, initial texts. For the server's start and for tests; never while threads run.
    void Clear();

private:
    mutable platform::TCriticalSection FTextLock;
    TSelectedDeviceTexts FTexts;
};

TServerRuntime& ServerRuntime();
