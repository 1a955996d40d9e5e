// The static tag section of the shared block.
#include "core/intercom/StaticTags.h"

#include "platform/Ticks.h"

#include <algorithm>
#include <cstring>

using namespace intercom;

namespace {
constexpr size_t CountAt = offsetof(TDMLVariablesHeader, Count);
constexpr size_t ReservedAt = offsetof(TDMLVariablesHeader, Reserved);
constexpr size_t ValueAt = offsetof(TDMLVariable, Value);
constexpr size_t SentValueAt = offsetof(TDMLVariable, SentValue);
constexpr size_t TimeAt = offsetof(TDMLVariable, Time);
constexpr size_t InfoAt = offsetof(TDMLVariable, Info);
} // namespace

void TDMLVariablesList::Attach(uint8_t* address, bool initialise) {
    FAddress = address;
    if (address == nullptr) {
        return;
    }
    StoreShortString(address, MagicText);
    StoreInt32(address + ReservedAt, -1);
    if (initialise) {
        StoreInt32(address + CountAt, 0);
    }
}

int32_t TDMLVariablesList::StoredCount() const {
    return FAddress ? LoadInt32(FAddress + CountAt) : 0;
}

int32_t TDMLVariablesList::Count() const {
    return std::clamp(StoredCount(), 0, FCapacity);
}

uint8_t* TDMLVariablesList::RecordAddress(int32_t index) const {
    if (FAddress == nullptr || index < 0 || index >= Count()) {
        return nullptr;
    }
    return FAddress + HeaderSize + size_t(index) * RecordSize;
}

bool TDMLVariablesList::Add(const TVariableInfo& info) {
    if (FAddress == nullptr) {
        return false;
    }
    const int32_t count = StoredCount();
    if (count < 0 || count >= FCapacity) {
        return false;
    }
    uint8_t* p = FAddress + HeaderSize + size_t(count) * RecordSize;
    std::memcpy(p + InfoAt, &info, sizeof(info));
    std::memcpy(p + ValueAt, info.Value.Bytes, 4);
    std::memcpy(p + SentValueAt, info.Value.Bytes, 4);
    StoreFloat64(p + TimeAt, platform::Now());
    StoreInt32(FAddress + CountAt, count + 1);
    return true;
}

bool TDMLVariablesList::SetValue(int32_t index, float value, double time) {
    uint8_t* p = RecordAddress(index);
    if (p == nullptr) {
        return false;
    }
    StoreFloat32(p + ValueAt, value);
    StoreFloat64(p + TimeAt, time);
    return true;
}

bool TDMLVariablesList::GetRecord(int32_t index, TDMLVariable& record) const {
    const uint8_t* p = RecordAddress(index);
    if (p == nullptr) {
        return false;
    }
    std::memcpy(&record, p, sizeof(record));
    return true;
}

bool TDMLVariablesList::StoreSent(int32_t index, float sentValue) {
    uint8_t* p = RecordAddress(index);
    if (p == nullptr) {
        return false;
    }
    StoreFloat32(p + SentValueAt, sentValue);
    StoreFloat64(p + TimeAt, platform::Now());
    return true;
}
