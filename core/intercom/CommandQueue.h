// The command queue section of the shared block (TCommandsList, 9584 bytes): up to 16 commands
// for one device, handed between the two programs by the State byte.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"

#include <cstddef>
#include <string>
#include <string_view>

// TCommandRecord (532 bytes; also the unit of the server's command lists):
// Offset  Width  Field          Meaning
//      0      4  TagId          int32 kernel id of the tag to be written
//      4    256  DeviceName     short string: routing prefix of the target device
//    260      4  DeviceAddress  int32 device address from the tag's routing string
//    264      4  Address        int32 data address from the tag's routing string
//    268    256  Segment        short string: segment name from the tag's routing string
//    524      4  Value          float32 value to be written
//    528      4  Value2         float32 the kernel item's second value
//    532                        (size)
struct TCommandRecord {
    intercom::TLeInt32 TagId;
    intercom::TShortString DeviceName;
    intercom::TLeInt32 DeviceAddress;
    intercom::TLeInt32 Address;
    intercom::TShortString Segment;
    intercom::TLeFloat32 Value;
    intercom::TLeFloat32 Value2;
};

static_assert(sizeof(TCommandRecord) == 532);
static_assert(offsetof(TCommandRecord, TagId) == 0);
static_assert(offsetof(TCommandRecord, DeviceName) == 4);
static_assert(offsetof(TCommandRecord, DeviceAddress) == 260);
static_assert(offsetof(TCommandRecord, Address) == 264);
static_assert(offsetof(TCommandRecord, Segment) == 268);
static_assert(offsetof(TCommandRecord, Value) == 524);
static_assert(offsetof(TCommandRecord, Value2) == 528);

constexpr int32_t CommandSlots = 17;
constexpr int32_t CommandCapacity = 16; // of the 17 slots, 16 are used

// States of the hand-over: the plug-in writes the queue in Idle and Done, the server in Posted
// and Taken (the plug-in's time-out excepted).
enum TCommandState : uint8_t {
    CommandIdle = 0,   // empty, the plug-in may fill it
    CommandPosted = 1, // committed by the plug-in, waiting for the device's polling thread
    CommandTaken = 2,  // copied by the server, being executed
    CommandDone = 3,   // executed; the plug-in resets it on its next cycle
};

// The section, also the type of the copy Snapshot hands out.
// Offset    Width  Field          Meaning
//      0      256  Magic          "Vantorelix"
//    256      256  DeviceName     short string: routing prefix of the queued commands' device
//    512        4  DeviceAddress  int32 that device's address, -1 when empty
//    516        4  -              reserved
//    520        8  Time           date-time of the last reset or post
//    528        4  Count          int32 commands queued, 0..16
//    532        1  State          0 idle, 1 posted, 2 taken, 3 done
//    533        3  -              reserved
//    536   17×532  Commands       command i at 536 + 532 × i
//   9580        4  -              reserved
//   9584                          (size)
struct TCommandsListLayout {
    intercom::TShortString Magic;
    intercom::TShortString DeviceName;
    intercom::TLeInt32 DeviceAddress;
    uint8_t Reserved1[4];
    intercom::TLeFloat64 Time;
    intercom::TLeInt32 Count;
    uint8_t State;
    uint8_t Reserved2[3];
    TCommandRecord Commands[CommandSlots];
    uint8_t Reserved3[4];

    // Count limited to 0..16, so that it can index Commands whatever was stored.
    int32_t UsedCount() const;
};

static_assert(sizeof(TCommandsListLayout) == 9584);
static_assert(offsetof(TCommandsListLayout, Magic) == 0);
static_assert(offsetof(TCommandsListLayout, DeviceName) == 256);
static_assert(offsetof(TCommandsListLayout, DeviceAddress) == 512);
static_assert(offsetof(TCommandsListLayout, Reserved1) == 516);
static_assert(offsetof(TCommandsListLayout, Time) == 520);
static_assert(offsetof(TCommandsListLayout, Count) == 528);
static_assert(offsetof(TCommandsListLayout, State) == 532);
static_assert(offsetof(TCommandsListLayout, Reserved2) == 533);
static_assert(offsetof(TCommandsListLayout, Commands) == 536);
static_assert(offsetof(TCommandsListLayout, Commands[1]) == 536 + 532);
static_assert(offsetof(TCommandsListLayout, Reserved3) == 9580);

class TCommandsList : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TCommandsListLayout);

    // initialise: the plug-in's object, which resets the queue when it attaches.
    explicit TCommandsList(bool initialise) : FInitialiseOnAttach(initialise) {}

    int32_t Size() const override { return SectionSize; }
    void Attach(uint8_t* address, bool initialise) override;

    // Zeroes the section, then Magic, State 0, empty DeviceName, DeviceAddress -1, Time now.
    bool Reset();
    // Into slot Count, then Count + 1 and DeviceAddress := the command's; false when the queue
    // is full (16) or its Count is damaged.
    bool Add(const TCommandRecord& command);
    void SetDeviceName(std::string_view name);
    // The stored name upper-cased; empty when unattached.
    std::string GetDeviceName() const;
    // With commands queued: Time := now, State := posted, true. An empty queue is reset: false.
    bool Commit();
    // A copy of the whole section; false with a zeroed copy when unattached.
    bool Snapshot(TCommandsListLayout& copy) const;

    // Commands queued, 0..16 whatever the block holds; 0 when unattached.
    int32_t Count() const;
    int32_t GetDeviceAddress() const; // -1 when unattached
    uint8_t GetState() const;         // 0 when unattached
    void SetState(uint8_t state);
    double GetTime() const; // now when unattached

private:
    bool FInitialiseOnAttach;
};
