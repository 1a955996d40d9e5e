// The server-state section of the shared block and the process-wide slot number.
#include "core/intercom/ServerData.h"

#include <atomic>

using namespace intercom;

namespace {
constexpr size_t SlotsAt = offsetof(TServerDataLayout, Slots);
constexpr size_t ProcessIdAt = offsetof(TServerSlotLayout, ProcessId);
constexpr size_t WindowHandleAt = offsetof(TServerSlotLayout, WindowHandle);
constexpr size_t Reserved1At = offsetof(TServerSlotLayout, Reserved1);
constexpr size_t TransactionAt = offsetof(TServerSlotLayout, ServerTransactionId);
constexpr size_t ActiveAt = offsetof(TServerSlotLayout, Active);

std::atomic<int32_t> CurrentServerSlot{-1};
} // namespace

int32_t ServerSlot() {
    return CurrentServerSlot.load(std::memory_order_relaxed);
}

void SetServerSlot(int32_t slot) {
    CurrentServerSlot.store(slot, std::memory_order_relaxed);
}

int32_t NextServerTransactionId(int32_t old) {
    return old > 65535 ? 0 : int32_t(int64_t(old) + 1);
}

uint8_t* TServerData::SlotAddress(int32_t slot) const {
    if (FAddress == nullptr || slot < 0 || slot >= ServerSlotCount) {
        return nullptr;
    }
    return FAddress + SlotsAt + size_t(slot) * sizeof(TServerSlotLayout);
}

void TServerData::Initialise() {
    StoreShortString(FAddress, MagicText);
    for (int32_t slot = 0; slot < ServerSlotCount; ++slot) {
        uint8_t* p = SlotAddress(slot);
        StoreUInt32(p + ProcessIdAt, 0);
        StoreUInt32(p + WindowHandleAt, 0);
        StoreByte(p + Reserved1At, 0);
        StoreInt32(p + TransactionAt, 0);
        StoreByte(p + ActiveAt, 0);
    }
}

uint32_t TServerData::GetProcessId() const {
    return GetProcessIdAt(ServerSlot());
}

uint32_t TServerData::GetProcessIdAt(int32_t slot) const {
    const uint8_t* p = SlotAddress(slot);
    return p ? LoadUInt32(p + ProcessIdAt) : 0;
}

void TServerData::SetProcessId(uint32_t processId) {
    if (uint8_t* p = SlotAddress(ServerSlot())) {
        StoreUInt32(p + ProcessIdAt, processId);
    }
}

platform::HWND TServerData::GetWindowHandle() const {
    return GetWindowHandleAt(ServerSlot());
}

platform::HWND TServerData::GetWindowHandleAt(int32_t slot) const {
    const uint8_t* p = SlotAddress(slot);
    return p ? LoadUInt32(p + WindowHandleAt) : 0;
}

void TServerData::SetWindowHandle(platform::HWND window) {
    if (uint8_t* p = SlotAddress(ServerSlot())) {
        StoreUInt32(p + WindowHandleAt, window);
    }
}

uint8_t TServerData::GetActive() const {
    const uint8_t* p = SlotAddress(ServerSlot());
    return p ? LoadByte(p + ActiveAt) : 0;
}

void TServerData::SetActive(uint8_t active) {
    if (uint8_t* p = SlotAddress(ServerSlot())) {
        StoreByte(p + ActiveAt, active);
    }
}

int32_t TServerData::GetServerTransactionId() const {
    const uint8_t* p = SlotAddress(ServerSlot());
    return p ? LoadInt32(p + TransactionAt) : 0;
}

void TServerData::SetServerTransactionId(int32_t id) {
    if (uint8_t* p = SlotAddress(ServerSlot())) {
        StoreInt32(p + TransactionAt, id);
    }
}

void TServerData::StepServerTransactionId() {
    if (SlotAddress(ServerSlot()) != nullptr) {
        SetServerTransactionId(NextServerTransactionId(GetServerTransactionId()));
    }
}
