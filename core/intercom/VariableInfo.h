// TVariableInfo: the kernel's 761-byte description of one variable, as the kernel libraries fill
// it and as the shared block carries it. Header-only so the kernel stand-in can use it too.
#pragma once

#include "core/intercom/LittleEndian.h"

#include <cstddef>
#include <cstdint>

// Offset  Width  Field     Use
//      0      4  Id        int32 kernel variable id
//      4     41  TagName   zero-terminated tag name
//     45    255  Routing   zero-terminated routing string
//    300    356  -         kernel data, carried unchanged
//    656      4  Value     float32 current value
//    660      2  -         kernel data
//    662      1  TypeCode  kernel type code of the tag
//    663      1  Flag2     byte passed on to the server
//    664      4  Bound1    float32 lower bound of the value range
//    668      4  Bound2    float32 upper bound of the value range
//    672      8  -         kernel data
//    680      4  DeadBand  float32 smallest change sent to the kernel
//    684      4  Scale     float32 divisor of device values when not 0
//    688     40  -         kernel data
//    728      1  Flag3     byte passed on
//    729      4  Inverse   int32, non-zero: 0 becomes 1 and anything else 0
//    733     28  -         kernel data
//    761                   (size)
struct TVariableInfo {
    intercom::TLeInt32 Id;
    intercom::TZeroTerminated<41> TagName;
    intercom::TZeroTerminated<255> Routing;
    uint8_t Kernel1[356];
    intercom::TLeFloat32 Value;
    uint8_t Kernel2[2];
    uint8_t TypeCode;
    uint8_t Flag2;
    intercom::TLeFloat32 Bound1;
    intercom::TLeFloat32 Bound2;
    uint8_t Kernel3[8];
    intercom::TLeFloat32 DeadBand;
    intercom::TLeFloat32 Scale;
    uint8_t Kernel4[40];
    uint8_t Flag3;
    intercom::TLeInt32 Inverse;
    uint8_t Kernel5[28];
};

static_assert(sizeof(TVariableInfo) == 761);
static_assert(alignof(TVariableInfo) == 1);
static_assert(offsetof(TVariableInfo, Id) == 0);
static_assert(offsetof(TVariableInfo, TagName) == 4);
static_assert(offsetof(TVariableInfo, Routing) == 45);
static_assert(offsetof(TVariableInfo, Kernel1) == 300);
static_assert(offsetof(TVariableInfo, Value) == 656);
static_assert(offsetof(TVariableInfo, TypeCode) == 662);
static_assert(offsetof(TVariableInfo, Flag2) == 663);
static_assert(offsetof(TVariableInfo, Bound1) == 664);
static_assert(offsetof(TVariableInfo, Bound2) == 668);
static_assert(offsetof(TVariableInfo, DeadBand) == 680);
static_assert(offsetof(TVariableInfo, Scale) == 684);
static_assert(offsetof(TVariableInfo, Flag3) == 728);
static_assert(offsetof(TVariableInfo, Inverse) == 729);
static_assert(offsetof(TVariableInfo, Kernel5) == 733);
