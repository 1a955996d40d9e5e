#include "kernel/KernelTagTable.h"

#include "platform/AnsiText.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <cstring>

namespace {

TKernelTagTableHeader* Header(const platform::TSharedMemory& block) {
    return reinterpret_cast<TKernelTagTableHeader*>(block.Data());
}

int32_t SlotsIn(size_t size) {
    if (size < sizeof(TKernelTagTableHeader)) {
        return 0;
    }
    const size_t slots = (size - sizeof(TKernelTagTableHeader)) / sizeof(TKernelTagRecord);
    return int32_t(std::min<size_t>(slots, 1u << 24));
}

} // namespace

std::unique_ptr<TKernelTagPublisher> TKernelTagPublisher::Create(int32_t capacity) {
    capacity = std::clamp(capacity, 1, 1 << 24);
    const size_t size = sizeof(TKernelTagTableHeader) + size_t(capacity) * sizeof(TKernelTagRecord);
    auto block = platform::TSharedMemory::Create(KernelTagTableName, size);
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = Header(*block);
    std::memcpy(header->Magic, KernelTagTableMagic, sizeof(header->Magic));
    header->Capacity.Set(capacity);
    header->Count.Set(0);
    return std::unique_ptr<TKernelTagPublisher>(new TKernelTagPublisher(std::move(block)));
}

TKernelTagPublisher::TKernelTagPublisher(std::unique_ptr<platform::TSharedMemory> block)
    : FBlock(std::move(block)) {}

TKernelTagRecord* TKernelTagPublisher::Record(int32_t i) const {
    return reinterpret_cast<TKernelTagRecord*>(FBlock->Data() + sizeof(TKernelTagTableHeader)) + i;
}

int32_t TKernelTagPublisher::Count() const {
    return Header(*FBlock)->Count.Get();
}

bool TKernelTagPublisher::AddTag(const std::string& name, int32_t globalIndex, double value) {
    auto* header = Header(*FBlock);
    const int32_t count = header->Count.Get();
    if (count >= std::min(header->Capacity.Get(), SlotsIn(FBlock->Size())) || name.empty() ||
        name.size() > 40) {
        return false;
    }
    auto* record = Record(count);
    record->Name.Set(name);
    record->GlobalIndex.Set(globalIndex);
    record->Value.Set(value);
    // Readers take Count as the number of complete records: it grows after the record is there.
    __atomic_thread_fence(__ATOMIC_RELEASE);
    header->Count.Set(count + 1);
    return true;
}

bool TKernelTagPublisher::SetValue(int32_t globalIndex, double value) {
    const int32_t count = Count();
    for (int32_t i = 0; i < count; ++i) {
        if (Record(i)->GlobalIndex.Get() == globalIndex) {
            Record(i)->Value.Set(value);
            return true;
        }
    }
    return false;
}

bool TKernelTagReader::EnsureOpen() {
    // The table of a host that has ended is stale, and a new host publishes a new one: the
    // mapping is renewed at most once a second, since look-ups come often.
    const std::string instance = platform::InstanceSuffix();
    if (FBlock != nullptr && platform::TicksSince(FCheckedAt) < 1000 && instance == FInstance) {
        return true;
    }
    FCheckedAt = platform::GetTickCount();
    FInstance = instance;
    FBlock = platform::TSharedMemory::Open(KernelTagTableName, true);
    if (FBlock != nullptr && std::memcmp(Header(*FBlock)->Magic, KernelTagTableMagic,
                                         sizeof(KernelTagTableMagic)) != 0) {
        FBlock.reset();
    }
    return FBlock != nullptr;
}

int32_t TKernelTagReader::UsableCount() const {
    const int32_t count = Header(*FBlock)->Count.Get();
    __atomic_thread_fence(__ATOMIC_ACQUIRE);
    return std::clamp(count, 0, SlotsIn(FBlock->Size()));
}

const TKernelTagRecord* TKernelTagReader::Record(int32_t i) const {
    return reinterpret_cast<const TKernelTagRecord*>(FBlock->Data() +
                                                     sizeof(TKernelTagTableHeader)) +
           i;
}

std::optional<TKernelTagReader::TTag> TKernelTagReader::FindByName(const std::string& name) {
    if (!EnsureOpen()) {
        return std::nullopt;
    }
    const int32_t count = UsableCount();
    for (int32_t i = 0; i < count; ++i) {
        const auto* record = Record(i);
        if (platform::AnsiCompareText(record->Name.Get(), name) == 0) {
            return TTag{record->GlobalIndex.Get(), record->Value.Get()};
        }
    }
    return std::nullopt;
}

std::optional<double> TKernelTagReader::ValueByGlobalIndex(int32_t globalIndex) {
    if (!EnsureOpen()) {
        return std::nullopt;
    }
    const int32_t count = UsableCount();
    for (int32_t i = 0; i < count; ++i) {
        if (Record(i)->GlobalIndex.Get() == globalIndex) {
            return Record(i)->Value.Get();
        }
    }
    return std::nullopt;
}
