// One ICMP echo (ping) with a timeout: the replying address and the round-trip time.
// Uses an unprivileged ICMP datagram socket where the system allows it, else a raw socket.
#pragma once

#include <cstdint>

namespace platform {

struct TIcmpReply {
    uint32_t Address = 0; // network byte order, as the request's address
    uint32_t RoundTripMs = 0;
};

// True when an echo reply came within timeoutMs. False on timeout, an unusable address
// (0, broadcast, multicast) or when no ICMP socket can be opened.
bool IcmpEcho(uint32_t addressNetworkOrder, uint32_t timeoutMs, TIcmpReply* reply);

} // namespace platform
