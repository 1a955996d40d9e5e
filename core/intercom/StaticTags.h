// The static tag section of the shared block (TDMLVariablesList, 264 + 777 × N bytes): one
// TDMLVariable per kernel tag the plug-in bound; the server writes Value, the plug-in SentValue.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"
#include "core/intercom/VariableInfo.h"

#include <cstddef>

// TDMLVariable (777 bytes):
// Offset  Width  Field      Meaning
//      0      4  Value      float32 latest value produced by the server
//      4      4  SentValue  float32 value last delivered to the kernel
//      8      8  Time       date-time of the last change of Value or SentValue
//     16    761  Info       TVariableInfo of the tag, with its routing string
//    777                    (size)
struct TDMLVariable {
    intercom::TLeFloat32 Value;
    intercom::TLeFloat32 SentValue;
    intercom::TLeFloat64 Time;
    TVariableInfo Info;
};

static_assert(sizeof(TDMLVariable) == 777);
static_assert(offsetof(TDMLVariable, Value) == 0);
static_assert(offsetof(TDMLVariable, SentValue) == 4);
static_assert(offsetof(TDMLVariable, Time) == 8);
static_assert(offsetof(TDMLVariable, Info) == 16);

// Section header; record i follows at 264 + 777 × i.
// Offset  Width    Field     Meaning
//      0    256    Magic     "Vantorelix"
//    256      4    Count     int32 records in use
//    260      4    Reserved  int32, -1 written by both sides when they attach
//    264  777 × N  records   TDMLVariable
struct TDMLVariablesHeader {
    intercom::TShortString Magic;
    intercom::TLeInt32 Count;
    intercom::TLeInt32 Reserved;
};

static_assert(sizeof(TDMLVariablesHeader) == 264);
static_assert(offsetof(TDMLVariablesHeader, Magic) == 0);
static_assert(offsetof(TDMLVariablesHeader, Count) == 256);
static_assert(offsetof(TDMLVariablesHeader, Reserved) == 260);

// The section object holds a fixed record capacity: the plug-in's N, or in the server the number
// of records the opened block holds (the channel works it out before attaching). A stored Count
// is never trusted beyond that capacity.
class TDMLVariablesList : public TIntercomSection {
public:
    static constexpr int32_t HeaderSize = sizeof(TDMLVariablesHeader);
    static constexpr int32_t RecordSize = sizeof(TDMLVariable);

    explicit TDMLVariablesList(int32_t capacity) : FCapacity(capacity < 0 ? 0 : capacity) {}

    static int32_t SizeFor(int32_t capacity) { return HeaderSize + RecordSize * capacity; }

    int32_t Size() const override { return SizeFor(FCapacity); }
    int32_t Capacity() const { return FCapacity; }

    // Writes Magic and Reserved = -1 in every case, and Count = 0 when initialising.
    void Attach(uint8_t* address, bool initialise) override;

    // Records in use, within 0..capacity whatever the block holds; 0 when unattached.
    int32_t Count() const;
    // The Count field as stored (for diagnostics), 0 when unattached.
    int32_t StoredCount() const;

    // Fills record Count from the kernel's description: Value and SentValue are the
    // description's Value (bit for bit), Time is now. False when the section is full.
    bool Add(const TVariableInfo& info);
    bool SetValue(int32_t index, float value, double time);
    bool GetRecord(int32_t index, TDMLVariable& record) const;
    // SentValue := sentValue, Time := now.
    bool StoreSent(int32_t index, float sentValue);

private:
    uint8_t* RecordAddress(int32_t index) const;

    int32_t FCapacity;
};
