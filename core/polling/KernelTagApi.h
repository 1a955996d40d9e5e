// The two calls of the kernel's tag library that the polling threads make (tag information by
// name, tag value by global index), as a table the program installs: core never links the kernel.
#pragma once

#include "core/intercom/LittleEndian.h"

#include <cstddef>
#include <cstdint>

// Tag information record (3702 bytes) as the polling threads read it; zero-filled, Size set.
// Offset  Width  Field        Meaning
//      0      4  Size         int32 3702
//      4   3666  -            filled by the kernel, not read here
//   3670      4  GlobalIndex  int32 global index of the tag
//   3674     28  -            filled by the kernel, not read here
//   3702                      (size)
struct TKernelTagInfo {
    intercom::TLeInt32 Size;
    uint8_t Kernel1[3666];
    intercom::TLeInt32 GlobalIndex;
    uint8_t Kernel2[28];
};

static_assert(sizeof(TKernelTagInfo) == 3702);
static_assert(offsetof(TKernelTagInfo, Size) == 0);
static_assert(offsetof(TKernelTagInfo, GlobalIndex) == 3670);

// Tag value record (44 bytes); Size set, the rest zero.
// Offset  Width  Field  Meaning
//      0      4  Size   int32 44
//      4      8  -      filled by the kernel, not read here
//     12      8  Value  float64 current value of the tag
//     20     24  -      filled by the kernel, not read here
//     44                (size)
struct TKernelTagValue {
    intercom::TLeInt32 Size;
    uint8_t Kernel1[8];
    intercom::TLeFloat64 Value;
    uint8_t Kernel2[24];
};

static_assert(sizeof(TKernelTagValue) == 44);
static_assert(offsetof(TKernelTagValue, Size) == 0);
static_assert(offsetof(TKernelTagValue, Value) == 12);

// The kernel library's result for success; every other result means "no such tag" or "no value".
constexpr int32_t KernelTagOk = 0;

// Function pointers with the kernel library's signatures. The server installs the library's own
// functions before its polling threads start; tests install fakes. A missing pointer fails its
// call as an unknown tag would.
struct TKernelTagApi {
    int32_t (*GetTagInfoByName)(const char* name, void* info) = nullptr;
    int32_t (*GetTagValueByGlobalIndex)(int32_t globalIndex, void* value) = nullptr;
};

// Installed once at start-up, before any polling thread runs (not changed while they run).
void SetKernelTagApi(const TKernelTagApi& api);
const TKernelTagApi& KernelTagApi();

// The global index of the tag called name; false when the kernel does not know it.
bool KernelFindTag(const char* name, int32_t& globalIndex);
// The current value of the tag at globalIndex; false when the kernel gives none.
bool KernelReadTag(int32_t globalIndex, double& value);
