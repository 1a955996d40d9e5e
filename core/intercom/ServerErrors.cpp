// The error message section of the shared block.
#include "core/intercom/ServerErrors.h"

#include "platform/Ticks.h"

#include <algorithm>
#include <cstring>

using namespace intercom;

namespace {
constexpr size_t SequenceAt = offsetof(TServerErrorListLayout, Sequence);
constexpr size_t BusyAt = offsetof(TServerErrorListLayout, Busy);
constexpr size_t CountAt = offsetof(TServerErrorListLayout, Count);
constexpr size_t EntriesAt = offsetof(TServerErrorListLayout, Entries);
constexpr size_t CodeAt = offsetof(TServerErrorRecord, Code);
constexpr size_t TimeAt = offsetof(TServerErrorRecord, Time);
constexpr size_t TextAt = offsetof(TServerErrorRecord, Text);
} // namespace

int32_t TServerErrorListLayout::UsedCount() const {
    return std::clamp(Count.Get(), 0, ServerErrorCapacity);
}

void TServerErrorList::Initialise() {
    StoreInt32(FAddress + SequenceAt, 0);
    StoreByte(FAddress + BusyAt, 0);
    StoreInt32(FAddress + CountAt, 0);
}

void TServerErrorList::Add(int32_t code, std::string_view text) {
    if (FAddress == nullptr || LoadInt32(FAddress + CountAt) >= ServerErrorCapacity) {
        return;
    }
    TBusyLock lock(FAddress + BusyAt);
    if (!lock.Taken()) {
        return;
    }
    // Checked again under the byte: another writer may have filled the section meanwhile, and a
    // negative count left by a damaged block starts the list afresh rather than index before it.
    int32_t count = std::max(LoadInt32(FAddress + CountAt), 0);
    if (count >= ServerErrorCapacity) {
        return;
    }
    const int32_t sequence = LoadInt32(FAddress + SequenceAt);
    StoreInt32(FAddress + SequenceAt, sequence >= 65535 || sequence < 0 ? 0 : sequence + 1);
    uint8_t* entry = FAddress + EntriesAt + size_t(count) * sizeof(TServerErrorRecord);
    StoreInt32(entry + CodeAt, code);
    StoreFloat64(entry + TimeAt, platform::Now());
    StoreShortString(entry + TextAt, text);
    StoreInt32(FAddress + CountAt, count + 1);
}

int32_t TServerErrorList::Count() const {
    return FAddress ? std::clamp(LoadInt32(FAddress + CountAt), 0, ServerErrorCapacity) : 0;
}

int32_t TServerErrorList::Sequence() const {
    return FAddress ? LoadInt32(FAddress + SequenceAt) : 0;
}

bool TServerErrorList::ReadAll(TServerErrorListLayout& copy, bool clear) {
    std::memset(&copy, 0, sizeof(copy));
    if (FAddress == nullptr) {
        return false;
    }
    TBusyLock lock(FAddress + BusyAt);
    if (!lock.Taken()) {
        return false;
    }
    const int32_t count = std::clamp(LoadInt32(FAddress + CountAt), 0, ServerErrorCapacity);
    copy.Sequence.Set(LoadInt32(FAddress + SequenceAt));
    copy.Count.Set(count);
    std::memcpy(copy.Entries, FAddress + EntriesAt, size_t(count) * sizeof(TServerErrorRecord));
    if (clear) {
        StoreInt32(FAddress + SequenceAt, 0);
        StoreInt32(FAddress + CountAt, 0);
    }
    return true;
}

void TServerErrorList::Clear() {
    if (FAddress == nullptr) {
        return;
    }
    TBusyLock lock(FAddress + BusyAt);
    if (lock.Taken()) {
        StoreInt32(FAddress + SequenceAt, 0);
        StoreInt32(FAddress + CountAt, 0);
    }
}
