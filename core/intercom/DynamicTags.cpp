// The dynamic tag section of the shared block.
#include "core/intercom/DynamicTags.h"

#include "platform/AnsiText.h"

#include <algorithm>
#include <cstring>

using namespace intercom;

namespace {
constexpr size_t CountAt = offsetof(TDynemicVariablesListLayout, Count);
constexpr size_t RecordsAt = offsetof(TDynemicVariablesListLayout, Records);
constexpr size_t NameAt = offsetof(TDynamicVariable, Name);
constexpr size_t ValueAt = offsetof(TDynamicVariable, Value);
constexpr size_t TimeAt = offsetof(TDynamicVariable, Time);
constexpr size_t InfoIdAt = offsetof(TDynamicVariable, Info) + offsetof(TVariableInfo, Id);
} // namespace

void TDynemicVariablesList::Attach(uint8_t* address, bool initialise) {
    FAddress = address;
    if (address != nullptr && initialise && FInitialiseOnAttach) {
        std::memset(address, 0, SectionSize);
        StoreShortString(address, MagicText);
    }
}

int32_t TDynemicVariablesList::Count() const {
    return FAddress ? std::clamp(LoadInt32(FAddress + CountAt), 0, DynamicVariableCapacity) : 0;
}

uint8_t* TDynemicVariablesList::RecordAddress(int32_t index) const {
    if (FAddress == nullptr || index < 0 || index >= Count()) {
        return nullptr;
    }
    return FAddress + RecordsAt + size_t(index) * sizeof(TDynamicVariable);
}

bool TDynemicVariablesList::SetValue(std::string_view name, bool onlyExisting, float value,
                                     double time) {
    if (FAddress == nullptr) {
        return false;
    }
    std::string key = platform::AnsiUpperCase(platform::Trim(name));
    if (key.empty()) {
        return false;
    }
    if (key.size() > ShortStringMaxLength) {
        key.resize(ShortStringMaxLength);
    }
    const int32_t count = Count();
    for (int32_t index = 0; index < count; ++index) {
        uint8_t* p = RecordAddress(index);
        if (p[NameAt] == key.size() && std::memcmp(p + NameAt + 1, key.data(), key.size()) == 0) {
            StoreFloat32(p + ValueAt, value);
            StoreFloat64(p + TimeAt, time);
            return true;
        }
    }
    if (onlyExisting || count >= DynamicVariableCapacity) {
        return false;
    }
    uint8_t* p = FAddress + RecordsAt + size_t(count) * sizeof(TDynamicVariable);
    StoreShortString(p + NameAt, key);
    StoreFloat32(p + ValueAt, value);
    StoreFloat64(p + TimeAt, time);
    StoreInt32(p + InfoIdAt, DynamicIdUnresolved);
    StoreInt32(FAddress + CountAt, count + 1);
    return true;
}

bool TDynemicVariablesList::GetRecord(int32_t index, TDynamicVariable& record) const {
    const uint8_t* p = RecordAddress(index);
    if (p == nullptr) {
        return false;
    }
    std::memcpy(&record, p, sizeof(record));
    return true;
}

bool TDynemicVariablesList::PutRecord(int32_t index, const TDynamicVariable& record) {
    uint8_t* p = RecordAddress(index);
    if (p == nullptr) {
        return false;
    }
    std::memcpy(p, &record, sizeof(record));
    return true;
}
