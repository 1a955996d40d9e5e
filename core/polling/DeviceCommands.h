// The polling thread's side of the command hand-over: finding a posted batch for one of its
// devices, taking it into its own command list (state 1 -> 2) and marking it done (2 -> 3).
#pragma once

#include "core/collections/Collections.h"
#include "core/intercom/CommandQueue.h"

#include <cstdint>
#include <string_view>

class TDeviceList;

// Command records of one batch in batch order (owned copies).
class TDeviceCommandsList : public TBaseArray {
public:
    TDeviceCommandsList() = default;
    ~TDeviceCommandsList() override { FreeAll(); }

    void FreeItem(void* item) override { delete static_cast<TCommandRecord*>(item); }
    TCommandRecord* Item(int32_t i) const { return static_cast<TCommandRecord*>(At(i)); }

    // The whole command section as it was when the batch was taken.
    TCommandsListLayout Snapshot{};
    // The last command of a batch has been taken; the batch waits to be marked done.
    bool AckPending = false;
};

// The position in devices of the device the posted batch is for (trimmed upper-case routing
// prefix and device address), or -1: no channel, no commands, not posted, or no such device.
int32_t PendingCommandDevice(const TDeviceList& devices);

// When the posted batch is for this prefix (trimmed, letter case ignored) and device address:
// keeps a copy of the section in Snapshot, appends a copy of each command and sets the state to
// taken (2). Only one thread may serve a given prefix and address: the state test and its change
// are not one atomic step.
void FetchCommands(TDeviceCommandsList& commands, std::string_view routingPrefix,
                   int32_t deviceAddress);

// When the section holds the taken batch (state 2): state := done (3) and AckPending cleared.
// Otherwise AckPending stays set.
void AcknowledgeCommands(TDeviceCommandsList& commands);
