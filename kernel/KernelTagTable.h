// The kernel's tag table as the kernel host publishes it for its libraries: tag names, global
// indexes and current values in the host's own named block "Ostrilax.tags".
#pragma once

#include "core/intercom/LittleEndian.h"

#include "platform/SharedMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Block "Ostrilax.tags" (one per kernel instance, written by the host only):
// Offset  Width  Field     Meaning
//      0     16  Magic     "Ostrilax tags", zero-padded
//     16      4  Capacity  int32: record slots in the block
//     20      4  Count     int32: records in use, written after the record it adds
//     24     40  -         reserved, zero
//     64    64×C records   TKernelTagRecord i at 64 + 64 × i
struct TKernelTagTableHeader {
    char Magic[16];
    intercom::TLeInt32 Capacity;
    intercom::TLeInt32 Count;
    uint8_t Reserved[40];
};

// Offset  Width  Field        Meaning
//      0     41  Name         zero-terminated tag name as the kernel knows it
//     41      3  -            reserved
//     44      4  GlobalIndex  int32: the tag's global index in the kernel
//     48      8  Value        float64: the tag's current value
//     56      8  -            reserved
//     64                      (size)
struct TKernelTagRecord {
    intercom::TZeroTerminated<41> Name;
    uint8_t Reserved1[3];
    intercom::TLeInt32 GlobalIndex;
    intercom::TLeFloat64 Value;
    uint8_t Reserved2[8];
};

static_assert(sizeof(TKernelTagTableHeader) == 64);
static_assert(offsetof(TKernelTagTableHeader, Magic) == 0);
static_assert(offsetof(TKernelTagTableHeader, Capacity) == 16);
static_assert(offsetof(TKernelTagTableHeader, Count) == 20);
static_assert(sizeof(TKernelTagRecord) == 64);
static_assert(offsetof(TKernelTagRecord, Name) == 0);
static_assert(offsetof(TKernelTagRecord, GlobalIndex) == 44);
static_assert(offsetof(TKernelTagRecord, Value) == 48);

constexpr const char* KernelTagTableName = "Ostrilax.tags";
constexpr const char KernelTagTableMagic[16] = "Ostrilax tags";

// The host's side: creates the block and keeps it while it lives.
class TKernelTagPublisher {
public:
    // Null when the block cannot be created (another host of this instance holds it).
    static std::unique_ptr<TKernelTagPublisher> Create(int32_t capacity);

    // Appends a tag; false when the table is full or the name does not fit (40 characters).
    bool AddTag(const std::string& name, int32_t globalIndex, double value);
    // Sets the value of the tag with this global index; false when there is none.
    bool SetValue(int32_t globalIndex, double value);
    int32_t Count() const;

private:
    explicit TKernelTagPublisher(std::unique_ptr<platform::TSharedMemory> block);
    TKernelTagRecord* Record(int32_t i) const;

    std::unique_ptr<platform::TSharedMemory> FBlock;
};

// The libraries' side: a read-only view of the published table, opened on first use and again
// whenever the host that published it has gone.
class TKernelTagReader {
public:
    struct TTag {
        int32_t GlobalIndex;
        double Value;
    };

    // Names compare without regard to letter case, as the kernel's tag names do.
    std::optional<TTag> FindByName(const std::string& name);
    std::optional<double> ValueByGlobalIndex(int32_t globalIndex);

private:
    bool EnsureOpen();
    // Records in use, clamped to what the block holds.
    int32_t UsableCount() const;
    const TKernelTagRecord* Record(int32_t i) const;

    std::unique_ptr<platform::TSharedMemory> FBlock;
    uint32_t FCheckedAt = 0; // tick of the last check that the publishing host still lives
    std::string FInstance;   // the kernel instance whose table is mapped
};
