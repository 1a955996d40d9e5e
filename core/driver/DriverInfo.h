// The driver information record the kernel reads through DLMGetDeviceInfo and the installer
// stores: 1166 packed little-endian bytes, filled by TDriver::GetDriverInfo.
#pragma once

#include "core/intercom/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

//   offset size  field
//        0   16  Guid: identifier of the driver kind (GUID memory layout, see TDriverGuid)
//       16  101  Name: zero-terminated, at most 100 characters
//      117    4  FormatValue1 = -1    values of the kernel's record format that every
//      121    4  FormatValue2 = -1    driver of this framework fills identically
//      125    4  FormatValue3 = -1
//      129    4  FormatValue4 = -1
//      133    4  FormatValue5 = 100
//      137    4  FormatValue6 = 100
//      141 1025  Prefixes: the routing prefixes the driver serves, zero-terminated, at most
//                1024 characters; empty in the server, set by the plug-in's initialisation
// Every other byte is zero.
struct TDriverInfoRecord {
    uint8_t Guid[16];
    intercom::TZeroTerminated<101> Name;
    intercom::TLeInt32 FormatValue1;
    intercom::TLeInt32 FormatValue2;
    intercom::TLeInt32 FormatValue3;
    intercom::TLeInt32 FormatValue4;
    intercom::TLeInt32 FormatValue5;
    intercom::TLeInt32 FormatValue6;
    intercom::TZeroTerminated<1025> Prefixes;

    void Zero() { std::memset(this, 0, sizeof(*this)); }
};

static_assert(sizeof(TDriverInfoRecord) == 1166);
static_assert(alignof(TDriverInfoRecord) == 1);
static_assert(offsetof(TDriverInfoRecord, Guid) == 0);
static_assert(offsetof(TDriverInfoRecord, Name) == 16);
static_assert(offsetof(TDriverInfoRecord, FormatValue1) == 117);
static_assert(offsetof(TDriverInfoRecord, FormatValue2) == 121);
static_assert(offsetof(TDriverInfoRecord, FormatValue3) == 125);
static_assert(offsetof(TDriverInfoRecord, FormatValue4) == 129);
static_assert(offsetof(TDriverInfoRecord, FormatValue5) == 133);
static_assert(offsetof(TDriverInfoRecord, FormatValue6) == 137);
static_assert(offsetof(TDriverInfoRecord, Prefixes) == 141);

// A GUID as written {Data1-Data2-Data3-Data4[0..1]-Data4[2..7]}; stored as Data1 and the two
// 16-bit groups little-endian, then the eight bytes of Data4 in the order written.
struct TDriverGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    void Store(uint8_t* out) const {
        intercom::StoreUInt32(out, Data1);
        out[4] = uint8_t(Data2);
        out[5] = uint8_t(Data2 >> 8);
        out[6] = uint8_t(Data3);
        out[7] = uint8_t(Data3 >> 8);
        std::memcpy(out + 8, Data4, 8);
    }
};
