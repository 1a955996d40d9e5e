// Threads (stub: runs, WaitFor joins).
#include "platform/Thread.h"

namespace platform {

TThread::TThread() = default;
TThread::~TThread() {
    Terminate();
    if (FThread.joinable())
        FThread.join();
}
void TThread::Resume() {
    if (FStarted)
        return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
}
void TThread::Run() {
    Execute();
    FFinished.store(true);
}
bool TThread::WaitFor(uint32_t) {
    if (FThread.joinable())
        FThread.join();
    return true;
}

} // namespace platform
