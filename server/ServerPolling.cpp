// Until the polling threads exist the server only holds its place in the block.
#include "server/ServerPolling.h"

#include <atomic>

namespace {
std::atomic<bool> Running{false};
std::atomic<int32_t> SelectedDeviceIndex{-1};
} // namespace

bool BuildVariableIndex() {
    return true;
}
void CreatePollingThreads(bool) {}
void ResumePolling() {
    Running = true;
}
void StopPolling() {
    Running = false;
}
bool PollingRunning() {
    return Running;
}
int32_t PollingThreadCount() {
    return 0;
}
void ReleasePolling() {}
void SetSelectedDeviceIndex(int32_t index) {
    SelectedDeviceIndex = index;
}
TPollingTexts PollingTexts() {
    return {"", "", "----", "----", "----"};
}
