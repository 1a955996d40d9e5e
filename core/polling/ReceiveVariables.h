// The values a polling thread has received and not yet written: TReceiveVariables, filled by
// the devices' parsers (AddReceived) and written into the static tags after each poll
// (FlushReceived).
#pragma once

#include "core/collections/Collections.h"

#include <cstdint>
#include <string>
#include <string_view>

struct TReceivedValue {
    std::string Prefix; // routing prefix as the device gave it, at most 255 characters
    int32_t Device = -1;
    int32_t Address = -1;
    std::string StrAddress; // at most 255 characters
    float Value = 0;
};

// Records in arrival order; owned. Each polling thread owns one and is its only user.
class TReceiveVariables : public TBaseArray {
public:
    TReceiveVariables() : TBaseArray(256) {}
    ~TReceiveVariables() override { FreeAll(); }

    void FreeItem(void* item) override { delete static_cast<TReceivedValue*>(item); }
    TReceivedValue* Item(int32_t i) const { return static_cast<TReceivedValue*>(At(i)); }
};

// Appends a value for the routing address (texts cut to 255 characters); false only when no
// record could be made.
bool AddReceived(TReceiveVariables& received, std::string_view prefix, int32_t device, float value,
                 std::string_view strAddress, int32_t address);

// Writes every queued value, oldest first, through the installed index into the static tags and
// empties the queue. A value whose address is not indexed is dropped silently; a value that
// cannot be written is reported (-21) and the rest are still written. False when no index or
// channel is installed (reported, -20) or a value could not be written. The caller holds TagLock.
bool FlushReceived(TReceiveVariables& received);
