// Ostrilax, the kernel library the server asks for tag information and tag values: the two
// calls the driver relies on, with their record layouts.
#pragma once

#include "core/polling/KernelTagApi.h"

#include <cstddef>
#include <cstdint>

// The records are the driver's own definitions (TKernelTagInfo, 3702 bytes, and
// TKernelTagValue, 44 bytes): one layout for both sides of the call.
// Results: 0 success; the others are failures the caller does not tell apart.
constexpr int32_t OstrilaxOk = KernelTagOk;
constexpr int32_t OstrilaxBadRecord = -1; // null pointer or wrong Size
constexpr int32_t OstrilaxNotFound = -2;  // no such tag, or no kernel publishing its tags

extern "C" {
__attribute__((visibility("default"))) int32_t API_GetTagInfoByName(const char* name, void* info);
__attribute__((visibility("default"))) int32_t API_GetTagValueByGlobalIndex(int32_t globalIndex,
                                                                            void* value);
}
