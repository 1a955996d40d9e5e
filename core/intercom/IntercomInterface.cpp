// The channel to the shared block: creating, opening and copying the block, and attaching the
// section objects at their offsets.
#include "core/intercom/IntercomInterface.h"

#include "platform/SharedMemory.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <cstring>

using namespace intercom;

namespace {

constexpr size_t StaticCountAt =
    TVantorelixInfo::SectionSize + TServerData::SectionSize + offsetof(TDMLVariablesHeader, Count);

// Where the busy bytes of a block with `records` static records are.
std::vector<size_t> BusyOffsets(int32_t records) {
    const size_t errors = BlockSize(records) - FixedBlockSize + TVantorelixInfo::SectionSize +
                          TServerData::SectionSize + TDMLVariablesList::HeaderSize;
    const size_t terminal = errors + TServerErrorList::SectionSize +
                            TDynemicVariablesList::SectionSize + TCommandsList::SectionSize;
    const size_t terminalBusy = offsetof(TTerminalLayout, Busy);
    return {errors + offsetof(TServerErrorListLayout, Busy), terminal + terminalBusy,
            terminal + TTerminalClass::SectionSize + terminalBusy,
            terminal + 2 * TTerminalClass::SectionSize + terminalBusy};
}

} // namespace

int32_t StaticRecordsFor(size_t blockSize, int32_t storedCount) {
    if (blockSize < FixedBlockSize) {
        return -1;
    }
    const size_t spare = blockSize - FixedBlockSize;
    const size_t fits =
        std::min(spare / size_t(TDMLVariablesList::RecordSize), size_t(MaxStaticCapacity));
    if (spare % size_t(TDMLVariablesList::RecordSize) == 0) {
        return int32_t(fits);
    }
    return std::clamp(storedCount, 0, int32_t(fits));
}

TIntercomInterface::TIntercomInterface(bool creator, int32_t staticCapacity)
    : StaticTags(staticCapacity), DynamicTags(creator), Commands(creator), FIsCreator(creator) {}

TIntercomInterface::~TIntercomInterface() {
    AttachAll(nullptr, 0, TAttachMode::Inspect);
    FMapping.reset();
}

std::unique_ptr<TIntercomInterface> TIntercomInterface::Unmapped(bool creator) {
    return std::unique_ptr<TIntercomInterface>(new TIntercomInterface(creator, 0));
}

void TIntercomInterface::AttachAll(uint8_t* view, size_t size, TAttachMode mode) {
    FView = view;
    FViewSize = view ? size : 0;
    TIntercomSection* sections[] = {&Info,     &ServerData,       &StaticTags,
                                    &Errors,   &DynamicTags,      &Commands,
                                    &Terminal, &CommandsTerminal, &RemoteTerminal};
    size_t offset = 0;
    for (TIntercomSection* section : sections) {
        uint8_t* address = view ? view + offset : nullptr;
        if (mode == TAttachMode::Inspect) {
            section->Inspect(address);
        } else {
            section->Attach(address, mode == TAttachMode::Create);
        }
        offset += size_t(section->Size());
    }
}

std::unique_ptr<TIntercomInterface> TIntercomInterface::Create(const std::string& name,
                                                               int32_t staticCapacity) {
    if (staticCapacity < 0) {
        staticCapacity = 0;
    }
    auto channel = Unmapped(true);
    if (staticCapacity > MaxStaticCapacity) {
        return channel;
    }
    auto mapping = platform::TSharedMemory::Create(name, BlockSize(staticCapacity));
    if (!mapping || mapping->Data() == nullptr || mapping->Size() < BlockSize(staticCapacity)) {
        return channel;
    }
    channel.reset(new TIntercomInterface(true, staticCapacity));
    channel->FMapping = std::move(mapping);
    channel->AttachAll(channel->FMapping->Data(), channel->FMapping->Size(), TAttachMode::Create);
    return channel;
}

std::unique_ptr<TIntercomInterface> TIntercomInterface::Create(const std::string& name) {
    auto mapping = platform::TSharedMemory::Open(name, false);
    if (!mapping || mapping->Data() == nullptr) {
        return Unmapped(false);
    }
    uint8_t* view = mapping->Data();
    const size_t size = mapping->Size();
    auto channel = OverMemory(view, size, TAttachMode::Open);
    if (channel->IsMapped()) {
        channel->FMapping = std::move(mapping);
    }
    return channel;
}

std::unique_ptr<TIntercomInterface> TIntercomInterface::Inspect(const std::string& name) {
    auto mapping = platform::TSharedMemory::Open(name, true);
    if (!mapping || mapping->Data() == nullptr || mapping->Size() < FixedBlockSize) {
        return Unmapped(false);
    }
    const uint8_t* live = mapping->Data();
    const size_t size = mapping->Size();
    std::vector<uint8_t> copy(size);
    const int32_t records = StaticRecordsFor(size, LoadInt32(live + StaticCountAt));
    // Copy while no section is being written, so that no text is caught half written; a byte
    // held longer than the wait (a dead peer) still gets its copy.
    const uint32_t start = platform::GetTickCount();
    for (int attempt = 0;; ++attempt) {
        bool busy = false;
        for (size_t at : BusyOffsets(records)) {
            busy = busy || LoadByte(live + at) != 0;
        }
        if (!busy || attempt >= 40 || platform::TicksSince(start) > 200) {
            std::memcpy(copy.data(), live, size);
            break;
        }
        platform::Sleep(BusyPollIntervalMs);
    }
    mapping.reset();
    auto channel = OverMemory(copy.data(), copy.size(), TAttachMode::Inspect);
    if (channel->IsMapped()) {
        channel->FCopy = std::move(copy); // the vector's buffer stays where it is
    }
    return channel;
}

std::unique_ptr<TIntercomInterface> TIntercomInterface::OverMemory(uint8_t* view, size_t size,
                                                                   TAttachMode mode,
                                                                   int32_t staticCapacity) {
    const bool creator = mode == TAttachMode::Create;
    if (view == nullptr) {
        return Unmapped(creator);
    }
    int32_t records = staticCapacity;
    if (creator) {
        if (records < 0 || records > MaxStaticCapacity || size < BlockSize(records)) {
            return Unmapped(creator);
        }
    } else {
        if (size < FixedBlockSize) {
            return Unmapped(creator);
        }
        records = StaticRecordsFor(size, LoadInt32(view + StaticCountAt));
    }
    auto channel = std::unique_ptr<TIntercomInterface>(new TIntercomInterface(creator, records));
    channel->AttachAll(view, size, mode);
    return channel;
}
