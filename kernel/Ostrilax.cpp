// The library answers from the tag table that the kernel host publishes.
#include "kernel/Ostrilax.h"

#include "kernel/KernelTagTable.h"

#include <mutex>

namespace {

TKernelTagReader& Reader() {
    static TKernelTagReader reader;
    return reader;
}

// Callers may come from several threads of one process.
std::mutex& ReaderLock() {
    static std::mutex lock;
    return lock;
}

} // namespace

int32_t API_GetTagInfoByName(const char* name, void* info) {
    auto* record = static_cast<TKernelTagInfo*>(info);
    if (name == nullptr || record == nullptr || record->Size.Get() != int32_t(sizeof(*record))) {
        return OstrilaxBadRecord;
    }
    std::lock_guard lock(ReaderLock());
    const auto tag = Reader().FindByName(name);
    if (!tag) {
        return OstrilaxNotFound;
    }
    record->GlobalIndex.Set(tag->GlobalIndex);
    return OstrilaxOk;
}

int32_t API_GetTagValueByGlobalIndex(int32_t globalIndex, void* value) {
    auto* record = static_cast<TKernelTagValue*>(value);
    if (record == nullptr || record->Size.Get() != int32_t(sizeof(*record))) {
        return OstrilaxBadRecord;
    }
    std::lock_guard lock(ReaderLock());
    const auto current = Reader().ValueByGlobalIndex(globalIndex);
    if (!current) {
        return OstrilaxNotFound;
    }
    record->Value.Set(*current);
    return OstrilaxOk;
}
