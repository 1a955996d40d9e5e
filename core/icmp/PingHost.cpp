// The check compares the reply's address, written as text, with the text it was asked for.
// Conversion with inet_addr rules would accept more forms (octal or hexadecimal groups,
// fewer than four groups, trailing text), but none of them is ever written back the same way,
// so such a text can only give -1. Refusing those texts before sending gives the same results
// and sends no echo to a host nobody meant (inet_addr reads "010" as 8).
#include "core/icmp/PingHost.h"

#include "platform/Icmp.h"

#include <cstring>
#include <limits>

std::string FormatIPv4(uint32_t addressNetworkOrder) {
    uint8_t bytes[4];
    std::memcpy(bytes, &addressNetworkOrder, sizeof bytes);
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            text += '.';
        }
        text += std::to_string(bytes[i]);
    }
    return text;
}

bool ParseDottedIPv4(std::string_view text, uint32_t& addressNetworkOrder) {
    uint8_t bytes[4] = {};
    size_t pos = 0;
    for (int group = 0; group < 4; ++group) {
        if (group > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return false;
            }
            ++pos;
        }
        const size_t start = pos;
        uint32_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
            value = value * 10 + uint32_t(text[pos] - '0');
            ++pos;
        }
        const size_t digits = pos - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) {
            return false;
        }
        bytes[group] = uint8_t(value);
    }
    if (pos != text.size()) {
        return false;
    }
    std::memcpy(&addressNetworkOrder, bytes, sizeof bytes);
    return true;
}

int32_t PingHost(std::string_view address, uint32_t timeoutMs) {
    uint32_t target = 0;
    if (!ParseDottedIPv4(address, target)) {
        return -1;
    }
    platform::TIcmpReply reply;
    if (!platform::IcmpEcho(target, timeoutMs, &reply)) {
        return -1;
    }
    // A reply from another address (a router answering for the host) is no answer.
    if (FormatIPv4(reply.Address) != address) {
        return -1;
    }
    constexpr uint32_t largest = uint32_t(std::numeric_limits<int32_t>::max());
    return int32_t(reply.RoundTripMs < largest ? reply.RoundTripMs : largest);
}
