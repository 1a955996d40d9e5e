// Ostrilax, the kernel library the server asks for tag information and tag values: the two
// calls the driver relies on, with their record layouts.
#pragma once

#include "core/intercom/LittleEndian.h"

#include <cstddef>
#include <cstdint>

// Tag information record (3702 bytes); the caller zero-fills it and sets Size.
// Offset  Width  Field        Meaning
//      0      4  Size         int32, 3702
//      4     41  Name         zero-terminated tag name (filled by the library)
//     45   3625  -            kernel data
//   3670      4  GlobalIndex  int32 global index of the tag
//   3674     28  -            kernel data
//   3702                      (size)
struct TTagInfoRecord {
    intercom::TLeInt32 Size;
    intercom::TZeroTerminated<41> Name;
    uint8_t Kernel1[3625];
    intercom::TLeInt32 GlobalIndex;
    uint8_t Kernel2[28];
};

static_assert(sizeof(TTagInfoRecord) == 3702);
static_assert(offsetof(TTagInfoRecord, Size) == 0);
static_assert(offsetof(TTagInfoRecord, Name) == 4);
static_assert(offsetof(TTagInfoRecord, GlobalIndex) == 3670);

// Tag value record (44 bytes); the caller sets Size.
// Offset  Width  Field        Meaning
//      0      4  Size         int32, 44
//      4      4  GlobalIndex  int32 (filled by the library)
//      8      4  -            kernel data
//     12      8  Value        float64 current value
//     20     24  -            kernel data
//     44                      (size)
struct TTagValueRecord {
    intercom::TLeInt32 Size;
    intercom::TLeInt32 GlobalIndex;
    uint8_t Kernel1[4];
    intercom::TLeFloat64 Value;
    uint8_t Kernel2[24];
};

static_assert(sizeof(TTagValueRecord) == 44);
static_assert(offsetof(TTagValueRecord, Size) == 0);
static_assert(offsetof(TTagValueRecord, Value) == 12);

// Results: 0 success; the others are failures the caller does not tell apart.
constexpr int32_t OstrilaxOk = 0;
constexpr int32_t OstrilaxBadRecord = -1; // null pointer or wrong Size
constexpr int32_t OstrilaxNotFound = -2;  // no such tag, or no kernel publishing its tags

extern "C" {
__attribute__((visibility("default"))) int32_t API_GetTagInfoByName(const char* name, void* info);
__attribute__((visibility("default"))) int32_t API_GetTagValueByGlobalIndex(int32_t globalIndex,
                                                                            void* value);
}
