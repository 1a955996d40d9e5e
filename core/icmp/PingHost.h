// PingHost: the ICMP reachability check run before a device is polled and from the SNMP test
// dialog. One echo request to a dotted IPv4 address; the round-trip time or -1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The round-trip time in milliseconds (0 or more) when an echo reply from exactly the address
// asked for arrived within timeoutMs; -1 in every other case. The address must be written the
// way a reply's address is written back: four decimal numbers 0..255 without leading zeros,
// joined by "."; nothing else (a host name, blanks around it, "127.0.0.01") can ever match
// and gives -1 without sending anything. Stateless: callable from any thread at once.
int32_t PingHost(std::string_view address, uint32_t timeoutMs);

// The address text of four bytes in network order, first byte first ("127.0.0.1").
std::string FormatIPv4(uint32_t addressNetworkOrder);

// Parses exactly the form FormatIPv4 writes; false for anything else.
bool ParseDottedIPv4(std::string_view text, uint32_t& addressNetworkOrder);
