// BER writer and cursor.
#include "snmp/Ber.h"

#include "snmp/Oid.h"

namespace snmp {

void AppendBerLength(std::string& out, size_t length) {
    if (length < 0x80) {
        out.push_back(char(length));
        return;
    }
    uint8_t bytes[sizeof(size_t)];
    int count = 0;
    for (size_t v = length; v != 0; v >>= 8) {
        bytes[count++] = uint8_t(v & 0xFF);
    }
    out.push_back(char(0x80 | count));
    while (count > 0) {
        out.push_back(char(bytes[--count]));
    }
}

void TBerWriter::WriteHeader(uint8_t tag, size_t length) {
    Out.push_back(char(tag));
    AppendBerLength(Out, length);
}

size_t TBerWriter::Begin(uint8_t tag) {
    Out.push_back(char(tag));
    Out.push_back(0); // length placeholder, fixed by End
    return Out.size();
}

void TBerWriter::End(size_t mark) {
    size_t length = Out.size() - mark;
    if (length < 0x80) {
        Out[mark - 1] = char(length);
        return;
    }
    std::string header;
    AppendBerLength(header, length);
    Out.replace(mark - 1, 1, header);
}

void TBerWriter::WriteInteger(int64_t value, uint8_t tag) {
    uint8_t bytes[8];
    int count = 0;
    // Two's complement, minimal: stop when the remaining bytes are only sign extension.
    for (;;) {
        bytes[count++] = uint8_t(uint64_t(value) & 0xFF);
        int64_t rest = value >> 8; // arithmetic shift keeps the sign
        bool signBit = (bytes[count - 1] & 0x80) != 0;
        if ((rest == 0 && !signBit) || (rest == -1 && signBit) || count == 8) {
            break;
        }
        value = rest;
    }
    WriteHeader(tag, size_t(count));
    while (count > 0) {
        Out.push_back(char(bytes[--count]));
    }
}

void TBerWriter::WriteUnsigned(uint64_t value, uint8_t tag) {
    uint8_t bytes[9];
    int count = 0;
    do {
        bytes[count++] = uint8_t(value & 0xFF);
        value >>= 8;
    } while (value != 0);
    if (bytes[count - 1] & 0x80) {
        bytes[count++] = 0; // keeps the value positive
    }
    WriteHeader(tag, size_t(count));
    while (count > 0) {
        Out.push_back(char(bytes[--count]));
    }
}

void TBerWriter::WriteOctets(std::string_view bytes, uint8_t tag) {
    WriteHeader(tag, bytes.size());
    Out.append(bytes);
}

void TBerWriter::WriteNull(uint8_t tag) {
    WriteHeader(tag, 0);
}

bool TBerWriter::WriteOid(std::string_view text) {
    size_t mark = Begin(TagObjectId);
    if (!EncodeOidContent(text, Out)) {
        Out.resize(mark - 2);
        return false;
    }
    End(mark);
    return true;
}

bool DecodeSigned(std::string_view content, int64_t& value) {
    if (content.empty() || content.size() > 8) {
        return false;
    }
    uint64_t v = (uint8_t(content[0]) & 0x80) ? ~uint64_t(0) : 0;
    for (char c : content) {
        v = (v << 8) | uint8_t(c);
    }
    value = int64_t(v);
    return true;
}

bool DecodeUnsigned(std::string_view content, uint64_t& value) {
    if (content.empty()) {
        return false;
    }
    // One leading zero octet may carry the sign of a value whose top bit is set.
    if (content.size() > 8 && uint8_t(content[0]) == 0) {
        content.remove_prefix(1);
    }
    if (content.size() > 8) {
        return false;
    }
    uint64_t v = 0;
    for (char c : content) {
        v = (v << 8) | uint8_t(c);
    }
    value = v;
    return true;
}

bool TBerCursor::PeekTag(uint8_t& tag) const {
    if (Pos >= End) {
        return false;
    }
    tag = *Pos;
    return true;
}

bool TBerCursor::ReadTlv(uint8_t& tag, std::string_view& content, std::string_view& whole) {
    const uint8_t* p = Pos;
    if (End - p < 2) {
        return false;
    }
    uint8_t t = *p++;
    if ((t & 0x1F) == 0x1F) {
        return false; // high tag numbers never occur in SNMP
    }
    uint8_t first = *p++;
    size_t length = 0;
    if (first < 0x80) {
        length = first;
    } else {
        int count = first & 0x7F;
        if (count == 0 || count > 4) {
            return false; // indefinite form, or longer than any datagram
        }
        if (End - p < count) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            length = (length << 8) | *p++;
        }
    }
    if (length > size_t(End - p)) {
        return false;
    }
    tag = t;
    content = std::string_view(reinterpret_cast<const char*>(p), length);
    whole = std::string_view(reinterpret_cast<const char*>(Pos), size_t(p + length - Pos));
    Pos = p + length;
    return true;
}

bool TBerCursor::ReadTlv(uint8_t& tag, std::string_view& content) {
    std::string_view whole;
    return ReadTlv(tag, content, whole);
}

bool TBerCursor::Enter(uint8_t tag, TBerCursor& inner) {
    if (Level + 1 > MaxDepth) {
        return false;
    }
    const uint8_t* save = Pos;
    uint8_t t = 0;
    std::string_view content;
    if (!ReadTlv(t, content) || t != tag) {
        Pos = save;
        return false;
    }
    auto begin = reinterpret_cast<const uint8_t*>(content.data());
    inner = TBerCursor(Base, begin, begin + content.size(), Level + 1);
    return true;
}

bool TBerCursor::ReadInteger(int64_t& value, uint8_t tag) {
    const uint8_t* save = Pos;
    uint8_t t = 0;
    std::string_view content;
    if (!ReadTlv(t, content) || t != tag || !DecodeSigned(content, value)) {
        Pos = save;
        return false;
    }
    return true;
}

bool TBerCursor::ReadInt32(int32_t& value, uint8_t tag) {
    int64_t v = 0;
    const uint8_t* save = Pos;
    if (!ReadInteger(v, tag) || v < INT32_MIN || v > INT32_MAX) {
        Pos = save;
        return false;
    }
    value = int32_t(v);
    return true;
}

bool TBerCursor::ReadUnsigned(uint64_t& value, uint8_t tag) {
    const uint8_t* save = Pos;
    uint8_t t = 0;
    std::string_view content;
    if (!ReadTlv(t, content) || t != tag || !DecodeUnsigned(content, value)) {
        Pos = save;
        return false;
    }
    return true;
}

bool TBerCursor::ReadOctets(std::string_view& bytes, uint8_t tag) {
    const uint8_t* save = Pos;
    uint8_t t = 0;
    if (!ReadTlv(t, bytes) || t != tag) {
        Pos = save;
        return false;
    }
    return true;
}

bool TBerCursor::ReadNull(uint8_t tag) {
    const uint8_t* save = Pos;
    uint8_t t = 0;
    std::string_view content;
    if (!ReadTlv(t, content) || t != tag || !content.empty()) {
        Pos = save;
        return false;
    }
    return true;
}

bool TBerCursor::ReadOid(std::string& text) {
    const uint8_t* save = Pos;
    uint8_t t = 0;
    std::string_view content;
    if (!ReadTlv(t, content) || t != TagObjectId || !DecodeOidContent(content, text)) {
        Pos = save;
        return false;
    }
    return true;
}

} // namespace snmp
