// Process-wide state of the device-access server: where its files are, the shared block it
// serves, its error reporter, and the flags the window and the polling threads share.
#pragma once

#include "core/driver/ThreadsList.h"
#include "core/errors/DriverError.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"

#include <memory>
#include <string>

struct TServerState {
    // Directory of the executable + the driver's configuration file name.
    std::string ConfigFileName;
    // The opened block; null once released or when the server could not open it.
    std::unique_ptr<TIntercomInterface> Channel;
    // Created by the window's start-up, released by its shutdown.
    std::unique_ptr<TServerErrorClass> ErrorReporter;
    // The routing index of the static tags and the polling threads (start-up to shutdown).
    std::unique_ptr<TVariableIndex> VariableIndex;
    std::unique_ptr<TThreadsList> ThreadsList;
};

// The objects above are lent to the polling threads through ServerRuntime(), which also holds
// what the threads and the window share: Stopping, ServerWindowHandle, the selected device and
// its texts.

TServerState& Server();
