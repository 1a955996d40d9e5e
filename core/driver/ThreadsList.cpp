// The list of polling threads.
#include "core/driver/ThreadsList.h"

#include "core/driver/DeviceList.h"
#include "core/driver/Driver.h"
#include "core/polling/DeviceThread.h"

#include <memory>

void TThreadsList::FreeItem(void* item) {
    auto* thread = static_cast<TDeviceThread*>(item);
    if (thread == nullptr) {
        return;
    }
    if (!thread->Terminated()) {
        thread->Terminate();
    }
    thread->WaitFor(StopWaitMs);
    delete thread;
}

void TThreadsList::CreateThreads(const TDeviceList& devices, bool perPort) {
    std::unique_ptr<TDeviceList> remaining(devices.Driver().CreateDeviceList());
    remaining->Assign(devices);
    while (remaining->Count() > 0) {
        const int32_t before = remaining->Count();
        Insert(CreateThread(*remaining, perPort));
        if (remaining->Count() >= before) {
            break; // a thread class that takes nothing would loop for ever
        }
    }
}

TDeviceThread* TThreadsList::CreateThread(TDeviceList& remaining, bool perPort) {
    return new TDeviceThread(remaining, perPort);
}

void TThreadsList::ResumeAll() {
    for (int32_t i = 0; i < Count(); ++i) {
        Thread(i)->Resume();
    }
    Running = true;
}

void TThreadsList::StopAll() {
    for (int32_t i = 0; i < Count(); ++i) {
        Thread(i)->Terminate();
    }
    // All are told first, so their last passes end together; then each is waited for.
    for (int32_t i = 0; i < Count(); ++i) {
        Thread(i)->WaitFor(StopWaitMs);
    }
    Running = false;
}
