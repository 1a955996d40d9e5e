// TIntercomInterface: the channel to the shared block through which the plug-in and the server
// exchange tags, commands, errors, terminal text and liveness; one per process.
#pragma once

#include "core/intercom/CommandQueue.h"
#include "core/intercom/DynamicTags.h"
#include "core/intercom/ServerData.h"
#include "core/intercom/ServerErrors.h"
#include "core/intercom/StaticTags.h"
#include "core/intercom/TerminalSection.h"
#include "core/intercom/VantorelixInfo.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class TSharedMemory;
}

// The block, section after section, no gaps:
//   Offset              Size           Section
//   0                   777            header (TVantorelixInfo)
//   777                 8864           server state (TServerData)
//   9641                264 + 777 × N  static tags (TDMLVariablesList), N records
//   9905 + 777 × N      27488          error messages (TServerErrorList)
//   37393 + 777 × N     263684         dynamic tags (TDynemicVariablesList)
//   301077 + 777 × N    9584           command queue (TCommandsList)
//   310661 + 777 × N    56816          terminal Terminal (TTerminalClass)
//   367477 + 777 × N    56816          terminal CommandsTerminal
//   424293 + 777 × N    56816          terminal RemoteTerminal
//   481109 + 777 × N                   (size)
constexpr size_t FixedBlockSize = TVantorelixInfo::SectionSize + TServerData::SectionSize +
                                  TDMLVariablesList::HeaderSize + TServerErrorList::SectionSize +
                                  TDynemicVariablesList::SectionSize + TCommandsList::SectionSize +
                                  3 * TTerminalClass::SectionSize;
static_assert(FixedBlockSize == 481109);

// The most static records a block may have: its size in bytes stays a positive int32.
constexpr int32_t MaxStaticCapacity =
    int32_t((2147483647 - FixedBlockSize) / size_t(TDMLVariablesList::RecordSize));

// The size of a block whose static section holds `staticCapacity` records.
constexpr size_t BlockSize(int32_t staticCapacity) {
    return FixedBlockSize +
           size_t(staticCapacity < 0 ? 0 : staticCapacity) * size_t(TDMLVariablesList::RecordSize);
}

// The number of static records an existing block of `blockSize` bytes holds. The block is made
// exactly BlockSize(N) bytes long by its creator, so N follows from the size even when the
// creator filled fewer than N records; a size that is not of that form (a mapping rounded up)
// falls back to the stored Count, never beyond what fits. -1 for a block too small to be one.
int32_t StaticRecordsFor(size_t blockSize, int32_t storedCount);

class TIntercomInterface {
public:
    enum class TAttachMode {
        Create,  // the plug-in: initialise every section
        Open,    // the server: attach without initialising
        Inspect, // a look at a copy: attach and write nothing at all
    };

    // The plug-in's channel: creates the block `name` with room for `staticCapacity` static
    // records and initialises every section. A name already in use (or any failure) leaves the
    // channel unmapped: its getters return their defaults and its setters do nothing.
    static std::unique_ptr<TIntercomInterface> Create(const std::string& name,
                                                      int32_t staticCapacity);
    // The server's channel: opens the existing block `name` and attaches without initialising
    // (attaching the static section still writes its Magic and Reserved). Unmapped when the
    // block does not exist or is too small to be one.
    static std::unique_ptr<TIntercomInterface> Create(const std::string& name);
    // A private copy of the live block `name`, taken through a read-only mapping while no busy
    // byte is held (briefly waited for); the live block is never written. Unmapped when absent.
    static std::unique_ptr<TIntercomInterface> Inspect(const std::string& name);
    // The sections over memory the caller owns and keeps alive (tests, copies). With Create the
    // memory must hold BlockSize(staticCapacity) bytes; otherwise the capacity comes from the
    // memory's size and the stored Count as for an opened block.
    static std::unique_ptr<TIntercomInterface>
    OverMemory(uint8_t* view, size_t size, TAttachMode mode, int32_t staticCapacity = -1);

    // Unmaps the view; the creator's name disappears with it.
    ~TIntercomInterface();
    TIntercomInterface(const TIntercomInterface&) = delete;
    TIntercomInterface& operator=(const TIntercomInterface&) = delete;

    bool IsCreator() const { return FIsCreator; }
    bool IsMapped() const { return FView != nullptr; }
    uint8_t* View() const { return FView; }
    size_t ViewSize() const { return FViewSize; }

    // The section objects, attached at their offsets while the block is mapped.
    TVantorelixInfo Info;
    TServerData ServerData;
    TDMLVariablesList StaticTags;
    TDynemicVariablesList DynamicTags;
    TCommandsList Commands;
    TServerErrorList Errors;
    TTerminalClass Terminal;
    TTerminalClass CommandsTerminal;
    TTerminalClass RemoteTerminal;

private:
    TIntercomInterface(bool creator, int32_t staticCapacity);

    static std::unique_ptr<TIntercomInterface> Unmapped(bool creator);
    // Attaches the nine sections in block order from `view`.
    void AttachAll(uint8_t* view, size_t size, TAttachMode mode);

    bool FIsCreator;
    std::unique_ptr<platform::TSharedMemory> FMapping;
    std::vector<uint8_t> FCopy; // the private copy of Inspect
    uint8_t* FView = nullptr;
    size_t FViewSize = 0;
};
