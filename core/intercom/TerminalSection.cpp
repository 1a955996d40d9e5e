// A terminal section of the shared block.
#include "core/intercom/TerminalSection.h"

#include <cstring>

using namespace intercom;

namespace {
constexpr size_t CounterAt = offsetof(TTerminalLayout, Counter);
constexpr size_t OwnerAt = offsetof(TTerminalLayout, Owner);
constexpr size_t BusyAt = offsetof(TTerminalLayout, Busy);
constexpr size_t InfoAt = offsetof(TTerminalLayout, Info);
constexpr size_t TextAt = offsetof(TTerminalLayout, Text);
} // namespace

void TTerminalClass::Initialise() {
    StoreInt32(FAddress + CounterAt, 0);
    StoreByte(FAddress + BusyAt, 0);
    StoreInt32(FAddress + OwnerAt, -1);
    FAddress[TextAt] = 0;
    std::memset(FAddress + InfoAt, 0, sizeof(TTerminalInfo));
}

void TTerminalClass::Write(std::string_view text) {
    if (FAddress == nullptr) {
        return;
    }
    TBusyLock lock(FAddress + BusyAt);
    if (!lock.Taken() || text.size() >= size_t(TerminalTextSize)) {
        return;
    }
    std::memcpy(FAddress + TextAt, text.data(), text.size());
    FAddress[TextAt + text.size()] = 0;
    int32_t counter = LoadInt32(FAddress + CounterAt);
    if (counter < 0) {
        counter = 0;
    }
    counter = counter >= 65535 ? 0 : counter + 1;
    StoreInt32(FAddress + CounterAt, counter);
}

std::string TTerminalClass::Read() {
    if (FAddress == nullptr) {
        return {};
    }
    TBusyLock lock(FAddress + BusyAt);
    if (!lock.Taken()) {
        return {};
    }
    // A text without terminator (a damaged block) ends at the section's end.
    return LoadZeroTerminated(FAddress + TextAt, TerminalTextSize);
}

int32_t TTerminalClass::GetOwner() const {
    return FAddress ? LoadInt32(FAddress + OwnerAt) : -1;
}

void TTerminalClass::SetOwner(int32_t owner) {
    if (FAddress) {
        StoreInt32(FAddress + OwnerAt, owner);
    }
}

int32_t TTerminalClass::GetCounter() const {
    return FAddress ? LoadInt32(FAddress + CounterAt) : 0;
}

bool TTerminalClass::GetInfo(int32_t owner, TTerminalInfo& info) const {
    std::memset(&info, 0, sizeof(info));
    if (FAddress == nullptr || LoadInt32(FAddress + OwnerAt) != owner) {
        return false;
    }
    std::memcpy(&info, FAddress + InfoAt, sizeof(info));
    return true;
}

bool TTerminalClass::SetInfo(int32_t owner, const TTerminalInfo& info) {
    if (FAddress == nullptr || LoadInt32(FAddress + OwnerAt) != owner) {
        return false;
    }
    std::memcpy(FAddress + InfoAt, &info, sizeof(info));
    return true;
}
