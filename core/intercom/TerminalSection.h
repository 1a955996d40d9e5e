// A terminal section of the shared block (TTerminalClass, 56816 bytes): the latest output text of
// one device with its link information, guarded by the section's busy byte.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"

#include <cstddef>
#include <string>
#include <string_view>

// TTerminalInfo (268 bytes):
// Offset  Width  Field         Meaning
//      0    256  Caption       short string
//    256      1  LinkUp        1 = link to the device up
//    257      3  -             reserved
//    260      4  LastInterval  int32 ms between the two latest polls of the device
//    264      4  LastDuration  int32 ms the latest poll took
//    268                       (size)
struct TTerminalInfo {
    intercom::TShortString Caption;
    uint8_t LinkUp;
    uint8_t Reserved[3];
    intercom::TLeInt32 LastInterval;
    intercom::TLeInt32 LastDuration;
};

static_assert(sizeof(TTerminalInfo) == 268);
static_assert(offsetof(TTerminalInfo, Caption) == 0);
static_assert(offsetof(TTerminalInfo, LinkUp) == 256);
static_assert(offsetof(TTerminalInfo, Reserved) == 257);
static_assert(offsetof(TTerminalInfo, LastInterval) == 260);
static_assert(offsetof(TTerminalInfo, LastDuration) == 264);

constexpr int32_t TerminalTextSize = 56536; // the text and its terminator

// Offset  Width  Field    Meaning
//      0      4  Counter  int32 number of text writes, 0 after 65535
//      4      4  Owner    int32 index of the device whose output is wanted, -1 = none
//      8      1  Busy     busy byte
//      9      3  -        reserved
//     12    268  Info     TTerminalInfo
//    280  56536  Text     zero-terminated, at most 56535 characters
//  56816                  (size)
struct TTerminalLayout {
    intercom::TLeInt32 Counter;
    intercom::TLeInt32 Owner;
    uint8_t Busy;
    uint8_t Reserved[3];
    TTerminalInfo Info;
    uint8_t Text[TerminalTextSize];
};

static_assert(sizeof(TTerminalLayout) == 56816);
static_assert(offsetof(TTerminalLayout, Counter) == 0);
static_assert(offsetof(TTerminalLayout, Owner) == 4);
static_assert(offsetof(TTerminalLayout, Busy) == 8);
static_assert(offsetof(TTerminalLayout, Reserved) == 9);
static_assert(offsetof(TTerminalLayout, Info) == 12);
static_assert(offsetof(TTerminalLayout, Text) == 280);

class TTerminalClass : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TTerminalLayout);

    int32_t Size() const override { return SectionSize; }

    // Under the busy byte: the text with its terminator, and Counter moves on (0 after 65535).
    // A text of 56536 characters or more is not written and the counter stays.
    void Write(std::string_view text);
    // The text under the busy byte; empty when the byte cannot be taken.
    std::string Read();
    int32_t GetOwner() const; // -1 when unattached
    void SetOwner(int32_t owner);
    int32_t GetCounter() const; // 0 when unattached
    // The section's TTerminalInfo when Owner equals owner; otherwise false and all zeros.
    bool GetInfo(int32_t owner, TTerminalInfo& info) const;
    bool SetInfo(int32_t owner, const TTerminalInfo& info);

protected:
    // Counter 0, Busy 0, Owner -1, empty text and an empty information block.
    void Initialise() override;
};
