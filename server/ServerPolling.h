// The server window's view of the polling machinery: the routing index of the static tags,
// the polling threads, and the texts the threads publish for the device shown in the window.
#pragma once

#include "core/polling/ServerRuntime.h"

#include <cstdint>

// Builds the routing index from the block's static tags (start-up).
bool BuildVariableIndex();
// Creates the polling threads, suspended, for the driver's devices (start-up).
void CreatePollingThreads(bool threadOnPort);
void ResumePolling();
// Stops every thread, waiting a bounded time for each while answering window messages.
void StopPolling();
bool PollingRunning();
int32_t PollingThreadCount();
// Releases the threads, then the index (shutdown, after StopPolling).
void ReleasePolling();

// The device whose texts the threads publish (-1 none).
void SetSelectedDeviceIndex(int32_t index);

// The texts of the selected device, copied while a refresh message is handled.
TSelectedDeviceTexts PollingTexts();
