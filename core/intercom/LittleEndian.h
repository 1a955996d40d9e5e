// Little-endian fields of the shared block and the kernel's records, read and written byte by
// byte so that any offset (aligned or not) and any host byte order give the same bytes.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace intercom {

// Each field is moved with one memcpy of its whole width, which the compiler turns into one load
// or store: a reader in the other process sees the old or the new value, not a mix of bytes.
inline uint32_t LoadUInt32(const uint8_t* p) {
    uint8_t b[4];
    std::memcpy(b, p, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

inline void StoreUInt32(uint8_t* p, uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                          uint8_t(value >> 24)};
    std::memcpy(p, b, 4);
}

inline uint64_t LoadUInt64(const uint8_t* p) {
    uint8_t b[8];
    std::memcpy(b, p, 8);
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | b[i];
    }
    return value;
}

inline void StoreUInt64(uint8_t* p, uint64_t value) {
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) {
        b[i] = uint8_t(value >> (8 * i));
    }
    std::memcpy(p, b, 8);
}

inline int32_t LoadInt32(const uint8_t* p) {
    return std::bit_cast<int32_t>(LoadUInt32(p));
}
inline void StoreInt32(uint8_t* p, int32_t value) {
    StoreUInt32(p, std::bit_cast<uint32_t>(value));
}
inline float LoadFloat32(const uint8_t* p) {
    return std::bit_cast<float>(LoadUInt32(p));
}
inline void StoreFloat32(uint8_t* p, float value) {
    StoreUInt32(p, std::bit_cast<uint32_t>(value));
}
inline double LoadFloat64(const uint8_t* p) {
    return std::bit_cast<double>(LoadUInt64(p));
}
inline void StoreFloat64(uint8_t* p, double value) {
    StoreUInt64(p, std::bit_cast<uint64_t>(value));
}

// A short string: a length byte, then up to 255 characters; the bytes after the text are
// whatever was there before.
constexpr size_t ShortStringSize = 256;
constexpr size_t ShortStringMaxLength = 255;

inline std::string LoadShortString(const uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

// Longer texts are cut to their first 255 characters.
inline void StoreShortString(uint8_t* p, std::string_view text) {
    size_t length = std::min(text.size(), ShortStringMaxLength);
    p[0] = uint8_t(length);
    if (length > 0) {
        std::memcpy(p + 1, text.data(), length);
    }
}

// A zero-terminated text inside a field of `width` bytes; a field without terminator yields
// all its bytes.
inline std::string LoadZeroTerminated(const uint8_t* p, size_t width) {
    const auto* begin = reinterpret_cast<const char*>(p);
    const void* zero = std::memchr(begin, 0, width);
    size_t length = zero ? size_t(static_cast<const char*>(zero) - begin) : width;
    return std::string(begin, length);
}

// Cut to width - 1 characters so the terminator always fits; the rest of the field is zeroed.
inline void StoreZeroTerminated(uint8_t* p, size_t width, std::string_view text) {
    if (width == 0) {
        return;
    }
    size_t length = std::min(text.size(), width - 1);
    std::memset(p, 0, width);
    if (length > 0) {
        std::memcpy(p, text.data(), length);
    }
}

// Field types of the record structures below. Each is an array of bytes (alignment 1, no
// padding), so a record is exactly the sum of its fields and offsetof gives the binding offsets.
struct TLeInt32 {
    uint8_t Bytes[4];
    int32_t Get() const { return LoadInt32(Bytes); }
    void Set(int32_t value) { StoreInt32(Bytes, value); }
};

struct TLeUInt32 {
    uint8_t Bytes[4];
    uint32_t Get() const { return LoadUInt32(Bytes); }
    void Set(uint32_t value) { StoreUInt32(Bytes, value); }
};

struct TLeFloat32 {
    uint8_t Bytes[4];
    float Get() const { return LoadFloat32(Bytes); }
    void Set(float value) { StoreFloat32(Bytes, value); }
};

struct TLeFloat64 {
    uint8_t Bytes[8];
    double Get() const { return LoadFloat64(Bytes); }
    void Set(double value) { StoreFloat64(Bytes, value); }
};

struct TShortString {
    uint8_t Bytes[ShortStringSize];
    std::string Get() const { return LoadShortString(Bytes); }
    void Set(std::string_view text) { StoreShortString(Bytes, text); }
};

template <size_t Width> struct TZeroTerminated {
    uint8_t Bytes[Width];
    std::string Get() const { return LoadZeroTerminated(Bytes, Width); }
    void Set(std::string_view text) { StoreZeroTerminated(Bytes, Width, text); }
};

static_assert(sizeof(TLeInt32) == 4 && alignof(TLeInt32) == 1);
static_assert(sizeof(TLeUInt32) == 4 && alignof(TLeUInt32) == 1);
static_assert(sizeof(TLeFloat32) == 4 && alignof(TLeFloat32) == 1);
static_assert(sizeof(TLeFloat64) == 8 && alignof(TLeFloat64) == 1);
static_assert(sizeof(TShortString) == 256 && alignof(TShortString) == 1);
static_assert(sizeof(TZeroTerminated<41>) == 41 && alignof(TZeroTerminated<41>) == 1);

// The "Vantorelix" short string at the start of five sections.
constexpr std::string_view MagicText = "Vantorelix";

} // namespace intercom
