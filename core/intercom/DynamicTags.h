// The dynamic tag section of the shared block (TDynemicVariablesList, 263684 bytes): tags known
// by name (link states, command states), added and resolved by the plug-in before the server
// runs; afterwards both sides only overwrite Value and Time.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"
#include "core/intercom/VariableInfo.h"

#include <cstddef>
#include <string>
#include <string_view>

// TDynamicVariable (1029 bytes):
// Offset  Width  Field  Meaning
//      0    256  Name   short string: tag name, trimmed and upper-cased
//    256      4  Value  float32 latest value
//    260      8  Time   date-time of the latest value
//    268    761  Info   TVariableInfo; Id -1 = not resolved, -100 = unknown to the kernel
//   1029                (size)
struct TDynamicVariable {
    intercom::TShortString Name;
    intercom::TLeFloat32 Value;
    intercom::TLeFloat64 Time;
    TVariableInfo Info;
};

static_assert(sizeof(TDynamicVariable) == 1029);
static_assert(offsetof(TDynamicVariable, Name) == 0);
static_assert(offsetof(TDynamicVariable, Value) == 256);
static_assert(offsetof(TDynamicVariable, Time) == 260);
static_assert(offsetof(TDynamicVariable, Info) == 268);

constexpr int32_t DynamicVariableSlots = 256;
constexpr int32_t DynamicVariableCapacity = 255; // of the 256 slots, 255 are used

// Dynamic tag ids with a meaning of their own.
constexpr int32_t DynamicIdUnresolved = -1;
constexpr int32_t DynamicIdUnknown = -100;

// Offset     Width  Field    Meaning
//      0       256  Magic    "Vantorelix"
//    256         4  Count    int32 records in use, 0..255
//    260  256×1029  Records  record i at 260 + 1029 × i
// 263684                     (size)
struct TDynemicVariablesListLayout {
    intercom::TShortString Magic;
    intercom::TLeInt32 Count;
    TDynamicVariable Records[DynamicVariableSlots];
};

static_assert(sizeof(TDynemicVariablesListLayout) == 263684);
static_assert(offsetof(TDynemicVariablesListLayout, Magic) == 0);
static_assert(offsetof(TDynemicVariablesListLayout, Count) == 256);
static_assert(offsetof(TDynemicVariablesListLayout, Records) == 260);
static_assert(offsetof(TDynemicVariablesListLayout, Records[1]) == 260 + 1029);

class TDynemicVariablesList : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TDynemicVariablesListLayout);

    // initialise: the plug-in's object, which empties the section when it attaches.
    explicit TDynemicVariablesList(bool initialise) : FInitialiseOnAttach(initialise) {}

    int32_t Size() const override { return SectionSize; }
    void Attach(uint8_t* address, bool initialise) override;

    // Records in use, 0..255 whatever the block holds; 0 when unattached.
    int32_t Count() const;

    // The record whose Name is the trimmed, upper-cased name gets value and time. A name not
    // found is added (Id -1) unless onlyExisting is set or the section is full. False for an
    // empty name, a name not found and not added, or an unattached section.
    bool SetValue(std::string_view name, bool onlyExisting, float value, double time);
    bool GetRecord(int32_t index, TDynamicVariable& record) const;
    bool PutRecord(int32_t index, const TDynamicVariable& record);

private:
    uint8_t* RecordAddress(int32_t index) const;

    bool FInitialiseOnAttach;
};
