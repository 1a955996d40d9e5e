// BER (X.690) encoding and a bounds-checked decoding cursor for SNMP messages.
// Definite lengths and single-byte tags only, as SNMP uses them; malformed input is an error value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace snmp {

// Universal and application tags used by SNMP.
enum : uint8_t {
    TagInteger = 0x02,
    TagOctetString = 0x04,
    TagNull = 0x05,
    TagObjectId = 0x06,
    TagSequence = 0x30,
    TagIpAddress = 0x40,
    TagCounter32 = 0x41,
    TagGauge32 = 0x42,
    TagTimeTicks = 0x43,
    TagOpaque = 0x44,
    TagCounter64 = 0x46,
    TagNoSuchObject = 0x80,
    TagNoSuchInstance = 0x81,
    TagEndOfMibView = 0x82,
};

// Appends TLVs to a byte string. Constructed values are opened with Begin and closed with End;
// End writes the final length, moving the content when the length needs more than one byte.
class TBerWriter {
public:
    explicit TBerWriter(std::string& out) : Out(out) {}

    size_t Begin(uint8_t tag);
    void End(size_t mark);

    void WriteInteger(int64_t value, uint8_t tag = TagInteger);
    void WriteUnsigned(uint64_t value, uint8_t tag);
    void WriteOctets(std::string_view bytes, uint8_t tag = TagOctetString);
    void WriteNull(uint8_t tag = TagNull);
    // False when the text is not a valid OID; nothing is written then.
    bool WriteOid(std::string_view text);
    void WriteRaw(std::string_view bytes) { Out.append(bytes); }

    size_t Size() const { return Out.size(); }

private:
    void WriteHeader(uint8_t tag, size_t length);
    std::string& Out;
};

void AppendBerLength(std::string& out, size_t length);

// A read position inside one constructed value (or the whole datagram). Every read checks the
// bounds of the cursor; Enter opens a nested cursor one level deeper and refuses beyond MaxDepth.
class TBerCursor {
public:
    static constexpr int MaxDepth = 16;

    TBerCursor() = default;
    TBerCursor(const uint8_t* data, size_t size) : Base(data), Pos(data), End(data + size) {}
    explicit TBerCursor(std::string_view bytes)
        : TBerCursor(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

    bool AtEnd() const { return Pos == End; }
    size_t Remaining() const { return size_t(End - Pos); }
    int Depth() const { return Level; }
    // Pointer to the next unread byte (for offsets into the original datagram).
    const uint8_t* Position() const { return Pos; }

    // The tag of the next value without consuming it; false at the end.
    bool PeekTag(uint8_t& tag) const;
    // Reads a tag and length and hands back the content; the cursor moves past the value.
    bool ReadTlv(uint8_t& tag, std::string_view& content);
    // Like ReadTlv but also gives the whole encoding (header included).
    bool ReadTlv(uint8_t& tag, std::string_view& content, std::string_view& whole);
    // Opens the next value, which must carry the tag, as a nested cursor.
    bool Enter(uint8_t tag, TBerCursor& inner);

    bool ReadInteger(int64_t& value, uint8_t tag = TagInteger);
    bool ReadInt32(int32_t& value, uint8_t tag = TagInteger);
    bool ReadUnsigned(uint64_t& value, uint8_t tag);
    bool ReadOctets(std::string_view& bytes, uint8_t tag = TagOctetString);
    bool ReadNull(uint8_t tag = TagNull);
    bool ReadOid(std::string& text);

private:
    TBerCursor(const uint8_t* base, const uint8_t* begin, const uint8_t* end, int level)
        : Base(base), Pos(begin), End(end), Level(level) {}

    const uint8_t* Base = nullptr;
    const uint8_t* Pos = nullptr;
    const uint8_t* End = nullptr;
    int Level = 0;
};

// Content decoders shared by the cursor and the value conversions.
bool DecodeSigned(std::string_view content, int64_t& value);
bool DecodeUnsigned(std::string_view content, uint64_t& value);

} // namespace snmp
