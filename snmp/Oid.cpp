// OID text and BER content conversions.
#include "snmp/Oid.h"

#include <charconv>

namespace snmp {

bool ParseOid(std::string_view text, std::vector<uint32_t>& components) {
    components.clear();
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    size_t i = 0;
    while (i <= text.size()) {
        uint64_t value = 0;
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + uint64_t(text[i] - '0');
            if (value > UINT32_MAX) {
                return false;
            }
            ++i;
        }
        if (i == start || components.size() >= MaxOidComponents) {
            return false;
        }
        components.push_back(uint32_t(value));
        if (i == text.size()) {
            break;
        }
        if (text[i] != '.') {
            return false;
        }
        ++i;
    }
    if (components.size() < 2 || components[0] > 2) {
        return false;
    }
    if (components[0] < 2 && components[1] >= 40) {
        return false;
    }
    if (components[0] == 2 && components[1] > UINT32_MAX - 80) {
        return false;
    }
    return true;
}

std::string FormatOid(const std::vector<uint32_t>& components) {
    std::string text;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i != 0) {
            text.push_back('.');
        }
        text += std::to_string(components[i]);
    }
    return text;
}

bool NormaliseOid(std::string_view text, std::string& canonical) {
    std::vector<uint32_t> components;
    if (!ParseOid(text, components)) {
        return false;
    }
    canonical = FormatOid(components);
    return true;
}

static void AppendSubidentifier(std::string& out, uint32_t value) {
    uint8_t bytes[5];
    int count = 0;
    do {
        bytes[count++] = uint8_t(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(char(bytes[--count] | 0x80));
    }
    out.push_back(char(bytes[0]));
}

bool EncodeOidContent(std::string_view text, std::string& out) {
    // One pass over the text, straight into out; out is restored when the text is invalid.
    const size_t start = out.size();
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    }
    uint32_t first = 0;
    size_t count = 0;
    size_t i = 0;
    for (;;) {
        uint64_t value = 0;
        size_t digits = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + uint64_t(text[i] - '0');
            if (value > UINT32_MAX) {
                out.resize(start);
                return false;
            }
            ++i;
        }
        if (i == digits || count >= MaxOidComponents) {
            out.resize(start);
            return false;
        }
        if (count == 0) {
            if (value > 2) {
                out.resize(start);
                return false;
            }
            first = uint32_t(value);
        } else if (count == 1) {
            if ((first < 2 && value >= 40) || value > UINT32_MAX - 80) {
                out.resize(start);
                return false;
            }
            AppendSubidentifier(out, uint32_t(first * 40 + value));
        } else {
            AppendSubidentifier(out, uint32_t(value));
        }
        ++count;
        if (i == text.size()) {
            break;
        }
        if (text[i] != '.') {
            out.resize(start);
            return false;
        }
        ++i;
    }
    if (count < 2) {
        out.resize(start);
        return false;
    }
    return true;
}

bool DecodeOidContent(std::string_view content, std::string& text) {
    if (content.empty()) {
        return false;
    }
    // At most 128 components of at most 10 digits and a dot each.
    char buffer[MaxOidComponents * 11 + 8];
    char* p = buffer;
    char* const end = buffer + sizeof(buffer);
    size_t count = 0;
    size_t i = 0;
    while (i < content.size()) {
        if (uint8_t(content[i]) == 0x80) {
            return false; // non-minimal subidentifier
        }
        uint64_t value = 0;
        for (;;) {
            if (i >= content.size()) {
                return false; // subidentifier cut off
            }
            uint8_t b = uint8_t(content[i++]);
            value = (value << 7) | (b & 0x7F);
            if (value > UINT32_MAX) {
                return false;
            }
            if ((b & 0x80) == 0) {
                break;
            }
        }
        if (count == 0) {
            uint64_t head = value < 40 ? 0 : value < 80 ? 1 : 2;
            *p++ = char('0' + head);
            *p++ = '.';
            p = std::to_chars(p, end, value - head * 40).ptr;
            count = 2;
        } else {
            if (++count > MaxOidComponents) {
                return false;
            }
            *p++ = '.';
            p = std::to_chars(p, end, value).ptr;
        }
    }
    text.assign(buffer, size_t(p - buffer));
    return true;
}

} // namespace snmp
