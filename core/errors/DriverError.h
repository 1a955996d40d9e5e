// The error reporters: TDriverErrorClass keeps the plug-in's log and notifies its log window;
// TServerErrorClass passes the server's messages to the shared error section and its window.
#pragma once

#include "core/errors/TerminalData.h"
#include "core/intercom/LittleEndian.h"

#include "platform/Thread.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class TIntercomInterface;

// Sent synchronously to LogWindowHandle after each report of a TDriverErrorClass; lParam is the
// address of a TErrorNotification. The log window reloads the whole log on it.
constexpr uint32_t DriverLogMessage = 3246;
constexpr uintptr_t DriverLogWParam = 2222;
// Sent synchronously to the Window of a TServerErrorClass; wParam is the code, lParam the text
// as a zero-terminated string.
constexpr uint32_t ServerErrorMessage = 1246;

constexpr size_t NotificationTextLength = 1024;

// The notification record (1048 bytes, zero-filled before use):
// Offset  Width  Field  Meaning
//      0      4  Size   int32 1048
//      4      4  -      reserved
//      8      8  Time   date-time of the report
//     16      4  Code   int32 error code
//     20   1028  Text   zero-terminated, at most 1024 characters
//   1048                (size)
struct TErrorNotification {
    intercom::TLeInt32 Size;
    uint8_t Reserved[4];
    intercom::TLeFloat64 Time;
    intercom::TLeInt32 Code;
    intercom::TZeroTerminated<1028> Text;
};

static_assert(sizeof(TErrorNotification) == 1048);
static_assert(offsetof(TErrorNotification, Size) == 0);
static_assert(offsetof(TErrorNotification, Time) == 8);
static_assert(offsetof(TErrorNotification, Code) == 16);
static_assert(offsetof(TErrorNotification, Text) == 20);

// The window a TDriverErrorClass notifies (0 = none): the plug-in's log window while it is open.
// Process-wide.
platform::HWND LogWindowHandle();
void SetLogWindowHandle(platform::HWND window);

// The plug-in's reporter. Reports are dropped while Enabled is false; none ever fails its caller.
// Several threads may report at once: the log has its own lock.
class TDriverErrorClass {
public:
    TDriverErrorClass() = default;
    virtual ~TDriverErrorClass() = default;
    TDriverErrorClass(const TDriverErrorClass&) = delete;
    TDriverErrorClass& operator=(const TDriverErrorClass&) = delete;

    // Adds the line "<code>: <text>" to the log.
    virtual void AddToLog(int32_t code, std::string_view text);
    // With code 0 and no exception nothing is reported. The text is the exception's message
    // when one is given, else GetErrorText(code, info); then as ReportText.
    virtual void Report(int32_t code, int32_t info, const std::exception* exception = nullptr);
    // The full text goes to the log; the log window gets a notification with its first 1024
    // characters.
    virtual void ReportText(int32_t code, std::string_view text);
    virtual std::string GetErrorText(int32_t code, int32_t info) const;

    // The whole log, as the log window shows it.
    std::string GetLogText() const;

    // Sets Enabled from the configuration's ErrorMngrDisabled option. The one option switches
    // the two reporters in opposite senses, and installed configurations rely on that: the
    // plug-in's reporter works while the option is false (the default), the server's only
    // while it is true.
    virtual void ApplyErrorMngrDisabled(bool errorMngrDisabled) { Enabled = !errorMngrDisabled; }

    std::atomic<bool> Enabled{true};
    // The log window of a TServerErrorClass; 0 = none.
    std::atomic<platform::HWND> Window{0};

protected:
    TTerminalDataClass Log;
    mutable platform::TCriticalSection LogLock;
};

// The server's reporter: every message goes to the shared error section (dropped when the
// section is full or its busy byte cannot be taken) and to the server window's log page. The
// plug-in's log is not written.
class TServerErrorClass : public TDriverErrorClass {
public:
    // channel: the process's channel, which must outlive the reporter; null = no channel, and
    // then nothing is reported.
    explicit TServerErrorClass(TIntercomInterface* channel) : Channel(channel) {}

    // Unlike the plug-in's reporter, code 0 is reported too.
    void Report(int32_t code, int32_t info, const std::exception* exception = nullptr) override;
    void ReportText(int32_t code, std::string_view text) override;
    void ApplyErrorMngrDisabled(bool errorMngrDisabled) override { Enabled = errorMngrDisabled; }

    std::atomic<TIntercomInterface*> Channel;
};
