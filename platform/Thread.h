// Threads in the classic style: created suspended, resumed, asked to stop through a flag the
// loop polls, awaited with a bound; and a critical section with its RAII lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// Recursive like a Windows critical section: the owning thread may enter again.
class TCriticalSection {
public:
    void Enter() { FMutex.lock(); }
    void Leave() { FMutex.unlock(); }
    bool TryEnter() { return FMutex.try_lock(); }

private:
    std::recursive_mutex FMutex;
};

class TLock {
public:
    explicit TLock(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
    ~TLock() { FSection.Leave(); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;

private:
    TCriticalSection& FSection;
};

class TThread {
public:
    TThread();
    // A derived class whose Execute uses its own members must stop the thread in its own
    // destructor (Terminate + WaitFor); this one only guarantees the thread is gone.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts Execute on its own thread the first time; later calls do nothing. Call it from
    // the thread that owns the object. False when no thread could be started.
    bool Resume();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    bool Finished() const { return FFinished.load(); }
    bool Started() const { return FStarted; }
    // Waits at most timeoutMs for Execute to return, answering the calling thread's window
    // messages meanwhile; true once the thread has ended (also when it was never started).
    bool WaitFor(uint32_t timeoutMs);

protected:
    virtual void Execute() = 0;

private:
    void Run();

    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    int FDoneFd = -1; // readable once Execute has returned, for waits that also pump messages
    std::thread FThread;
};

} // namespace platform
