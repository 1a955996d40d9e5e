// The error message section of the shared block (TServerErrorList, 27488 bytes): the server's
// reporter appends, the plug-in's driver thread reads and clears; guarded by its busy byte.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"

#include <cstddef>
#include <string>
#include <string_view>

// TServerErrorRecord (272 bytes):
// Offset  Width  Field  Meaning
//      0      4  Code   int32 error code given by the server's reporter
//      4      4  -      reserved
//      8      8  Time   date-time of the report
//     16    256  Text   short string
//    272                (size)
struct TServerErrorRecord {
    intercom::TLeInt32 Code;
    uint8_t Reserved[4];
    intercom::TLeFloat64 Time;
    intercom::TShortString Text;
};

static_assert(sizeof(TServerErrorRecord) == 272);
static_assert(offsetof(TServerErrorRecord, Code) == 0);
static_assert(offsetof(TServerErrorRecord, Reserved) == 4);
static_assert(offsetof(TServerErrorRecord, Time) == 8);
static_assert(offsetof(TServerErrorRecord, Text) == 16);

constexpr int32_t ServerErrorSlots = 101;
constexpr int32_t ServerErrorCapacity = 100; // of the 101 slots, 100 are used

// The section, also the type of the copy ReadAll hands out.
// Offset    Width  Field     Meaning
//      0        4  Sequence  int32 messages added since the last clear, 0 after 65535
//      4        1  Busy      busy byte
//      5        3  -         reserved
//      8        4  Count     int32 entries in use, 0..100
//     12        4  -         reserved
//     16  101×272  Entries   entry i at 16 + 272 × i
//  27488                     (size)
struct TServerErrorListLayout {
    intercom::TLeInt32 Sequence;
    uint8_t Busy;
    uint8_t Reserved1[3];
    intercom::TLeInt32 Count;
    uint8_t Reserved2[4];
    TServerErrorRecord Entries[ServerErrorSlots];

    // Count limited to 0..100, so that it can index Entries whatever was stored.
    int32_t UsedCount() const;
};

static_assert(sizeof(TServerErrorListLayout) == 27488);
static_assert(offsetof(TServerErrorListLayout, Sequence) == 0);
static_assert(offsetof(TServerErrorListLayout, Busy) == 4);
static_assert(offsetof(TServerErrorListLayout, Reserved1) == 5);
static_assert(offsetof(TServerErrorListLayout, Count) == 8);
static_assert(offsetof(TServerErrorListLayout, Reserved2) == 12);
static_assert(offsetof(TServerErrorListLayout, Entries) == 16);
static_assert(offsetof(TServerErrorListLayout, Entries[1]) == 16 + 272);

class TServerErrorList : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TServerErrorListLayout);

    int32_t Size() const override { return SectionSize; }

    // Appends (code, first 255 characters of text, now) under the busy byte. Dropped when the
    // section already holds 100 entries or the busy byte cannot be taken.
    void Add(int32_t code, std::string_view text);
    // Entries in use, read without the busy byte; 0..100.
    int32_t Count() const;
    // The Sequence field, read without the busy byte.
    int32_t Sequence() const;
    // Copies Sequence, Count and the entries in use into `copy` (zeroed first) under the busy
    // byte, and with clear set empties the section. False, with an all-zero copy, when the busy
    // byte cannot be taken or the section is not attached.
    bool ReadAll(TServerErrorListLayout& copy, bool clear);
    void Clear();

protected:
    // Sequence, Busy and Count set to 0.
    void Initialise() override;
};
