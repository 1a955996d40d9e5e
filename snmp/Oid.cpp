// OID text and BER content conversions.
#include "snmp/Oid.h"

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
    std::vector<uint32_t> components;
    if (!ParseOid(text, components)) {
        return false;
    }
    AppendSubidentifier(out, components[0] * 40 + components[1]);
    for (size_t i = 2; i < components.size(); ++i) {
        AppendSubidentifier(out, components[i]);
    }
    return true;
}

bool DecodeOidContent(std::string_view content, std::string& text) {
    if (content.empty()) {
        return false;
    }
    text.clear();
    size_t count = 0;
    size_t i = 0;
    while (i < content.size()) {
        uint8_t first = uint8_t(content[i]);
        if (first == 0x80) {
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
            text += std::to_string(head);
            text.push_back('.');
            text += std::to_string(value - head * 40);
            count = 2;
        } else {
            if (++count > MaxOidComponents) {
                return false;
            }
            text.push_back('.');
            text += std::to_string(value);
        }
    }
    return true;
}

} // namespace snmp
