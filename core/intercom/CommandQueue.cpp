// The command queue section of the shared block.
#include "core/intercom/CommandQueue.h"

#include "platform/AnsiText.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <cstring>

using namespace intercom;

namespace {
constexpr size_t DeviceNameAt = offsetof(TCommandsListLayout, DeviceName);
constexpr size_t DeviceAddressAt = offsetof(TCommandsListLayout, DeviceAddress);
constexpr size_t TimeAt = offsetof(TCommandsListLayout, Time);
constexpr size_t CountAt = offsetof(TCommandsListLayout, Count);
constexpr size_t StateAt = offsetof(TCommandsListLayout, State);
constexpr size_t CommandsAt = offsetof(TCommandsListLayout, Commands);
} // namespace

int32_t TCommandsListLayout::UsedCount() const {
    return std::clamp(Count.Get(), 0, CommandCapacity);
}

void TCommandsList::Attach(uint8_t* address, bool initialise) {
    FAddress = address;
    if (address != nullptr && initialise && FInitialiseOnAttach) {
        Reset();
    }
}

bool TCommandsList::Reset() {
    if (FAddress == nullptr) {
        return false;
    }
    // The state goes to idle before anything is cleared, so that a polling thread never takes
    // a posted queue whose fields are half cleared.
    StoreByte(FAddress + StateAt, CommandIdle);
    std::memset(FAddress, 0, SectionSize);
    StoreShortString(FAddress, MagicText);
    StoreShortString(FAddress + DeviceNameAt, {});
    StoreInt32(FAddress + DeviceAddressAt, -1);
    StoreFloat64(FAddress + TimeAt, platform::Now());
    return true;
}

bool TCommandsList::Add(const TCommandRecord& command) {
    if (FAddress == nullptr) {
        return false;
    }
    const int32_t count = LoadInt32(FAddress + CountAt);
    if (count < 0 || count >= CommandCapacity) {
        return false;
    }
    std::memcpy(FAddress + CommandsAt + size_t(count) * sizeof(TCommandRecord), &command,
                sizeof(command));
    StoreInt32(FAddress + CountAt, count + 1);
    StoreInt32(FAddress + DeviceAddressAt, command.DeviceAddress.Get());
    return true;
}

void TCommandsList::SetDeviceName(std::string_view name) {
    if (FAddress) {
        StoreShortString(FAddress + DeviceNameAt, name);
    }
}

std::string TCommandsList::GetDeviceName() const {
    return FAddress ? platform::AnsiUpperCase(LoadShortString(FAddress + DeviceNameAt))
                    : std::string();
}

bool TCommandsList::Commit() {
    if (FAddress == nullptr) {
        return false;
    }
    if (LoadInt32(FAddress + CountAt) > 0) {
        StoreFloat64(FAddress + TimeAt, platform::Now());
        // Release order: the commands written before are visible to whoever sees state 1.
        StoreByte(FAddress + StateAt, CommandPosted);
        return true;
    }
    Reset();
    return false;
}

bool TCommandsList::Snapshot(TCommandsListLayout& copy) const {
    if (FAddress == nullptr) {
        std::memset(&copy, 0, sizeof(copy));
        return false;
    }
    std::memcpy(&copy, FAddress, sizeof(copy));
    return true;
}

int32_t TCommandsList::Count() const {
    return FAddress ? std::clamp(LoadInt32(FAddress + CountAt), 0, CommandCapacity) : 0;
}

int32_t TCommandsList::GetDeviceAddress() const {
    return FAddress ? LoadInt32(FAddress + DeviceAddressAt) : -1;
}

uint8_t TCommandsList::GetState() const {
    return FAddress ? LoadByte(FAddress + StateAt) : 0;
}

void TCommandsList::SetState(uint8_t state) {
    if (FAddress) {
        StoreByte(FAddress + StateAt, state);
    }
}

double TCommandsList::GetTime() const {
    return FAddress ? LoadFloat64(FAddress + TimeAt) : platform::Now();
}
