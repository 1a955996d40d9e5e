// TThreadsList: the server's polling threads, created by TDriver::CreateThreadsList from the
// driver's device list (one thread for all devices, or one per port), resumed and stopped together.
#pragma once

#include "core/collections/Collections.h"

#include <atomic>
#include <cstdint>

class TDeviceList;
class TDeviceThread;

// Owned by the server's main thread, which alone calls its operations.
class TThreadsList : public TBaseArray {
public:
    // How long StopAll and FreeItem wait for one thread to end its loop.
    static constexpr uint32_t StopWaitMs = 3000;

    TThreadsList() = default;
    ~TThreadsList() override { FreeAll(); }

    // Terminates the thread, waits up to StopWaitMs for its loop to end, then releases it
    // (which waits for the thread itself to end).
    void FreeItem(void* item) override;
    // Threads for copies of the devices, created suspended: per port, one for each RS232Port
    // value in the order the values first occur (exact comparison), otherwise one for all. No
    // devices, no thread.
    virtual void CreateThreads(const TDeviceList& devices, bool perPort);
    // Resumes every thread (a thread already stopped stays stopped); Running := true.
    virtual void ResumeAll();
    // Terminates every thread and waits for each up to StopWaitMs, answering the calling thread's
    // window messages meanwhile (a polling thread may be sending one); Running := false. The
    // threads stay in the list. Threads that never ran are not waited for.
    virtual void StopAll();

    TDeviceThread* Thread(int32_t index) const { return static_cast<TDeviceThread*>(At(index)); }

    // True after ResumeAll, false after StopAll.
    std::atomic<bool> Running{false};

protected:
    // One thread, taking its devices out of remaining.
    virtual TDeviceThread* CreateThread(TDeviceList& remaining, bool perPort);
};
