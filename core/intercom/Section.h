// The common shape of the shared block's nine section objects, and the one-byte operations on
// the block (the busy byte that two processes use as a lock, the command state byte).
#pragma once

#include <cstdint>

namespace intercom {

// Single bytes of the block that the other process or another thread reads while we write.
inline uint8_t LoadByte(const uint8_t* p) {
    return __atomic_load_n(p, __ATOMIC_ACQUIRE);
}
inline void StoreByte(uint8_t* p, uint8_t value) {
    __atomic_store_n(p, value, __ATOMIC_RELEASE);
}

constexpr uint32_t DefaultBusyTimeoutMs = 3000;
constexpr uint32_t BusyPollIntervalMs = 5;

// How long a busy byte is waited for before the operation gives up (process-wide; tests lower
// it so that a dead peer's byte does not cost them seconds).
uint32_t BusyTimeoutMs();
void SetBusyTimeoutMs(uint32_t ms);

// Takes the busy byte with one atomic exchange, polling every 5 ms; false once the timeout has
// passed with the byte still set (a peer that died while holding it never releases it).
bool TakeBusy(uint8_t* busy);
void ReleaseBusy(uint8_t* busy);

// Holds the busy byte for a scope; releases it also when the work fails.
class TBusyLock {
public:
    explicit TBusyLock(uint8_t* busy) : FBusy(busy != nullptr && TakeBusy(busy) ? busy : nullptr) {}
    ~TBusyLock() {
        if (FBusy != nullptr) {
            ReleaseBusy(FBusy);
        }
    }
    TBusyLock(const TBusyLock&) = delete;
    TBusyLock& operator=(const TBusyLock&) = delete;
    bool Taken() const { return FBusy != nullptr; }

private:
    uint8_t* FBusy;
};

} // namespace intercom

// A section object: the address of its section inside the mapped block (null while the block is
// not mapped, and then getters return their defaults and setters do nothing) and its size.
class TIntercomSection {
public:
    virtual ~TIntercomSection() = default;

    // The section's size in bytes inside the block.
    virtual int32_t Size() const = 0;

    // Remembers the address; with initialise set (and an address) writes the initial contents.
    virtual void Attach(uint8_t* address, bool initialise) {
        FAddress = address;
        if (address != nullptr && initialise) {
            Initialise();
        }
    }

    // Remembers the address and writes nothing, whatever the section normally writes on attach:
    // for a copy of the block that is only looked at.
    void Inspect(uint8_t* address) { FAddress = address; }

    bool IsAttached() const { return FAddress != nullptr; }
    uint8_t* Address() const { return FAddress; }

protected:
    virtual void Initialise() {}

    uint8_t* FAddress = nullptr;
};
