// Process-wide state of the device-access server: where its files are, the shared block it
// serves, its error reporter, and the flags the window and the polling threads share.
#pragma once

#include "core/errors/DriverError.h"
#include "core/intercom/IntercomInterface.h"
#include "platform/WindowMessages.h"

#include <atomic>
#include <memory>
#include <string>

struct TServerState {
    // Directory of the executable + the driver's configuration file name.
    std::string ConfigFileName;
    // The opened block; null once released or when the server could not open it.
    std::unique_ptr<TIntercomInterface> Channel;
    // Created by the window's start-up, released by its shutdown.
    std::unique_ptr<TServerErrorClass> ErrorReporter;
    // Set by every close request; polling threads and refresh handlers stop on it.
    std::atomic<bool> Stopping{false};
    // The main window, target of the status and log messages; 0 until start-up records it.
    std::atomic<platform::HWND> ServerWindowHandle{0};
};

TServerState& Server();
