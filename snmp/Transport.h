// The datagram transport under the SNMP client: send to an IPv4 endpoint, receive with a bound.
// The UDP implementation is the only SNMP file that touches sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace snmp {

struct TEndpoint {
    uint32_t Address = 0; // IPv4, host byte order
    uint16_t Port = 0;
    bool operator==(const TEndpoint&) const = default;
};

class TTransport {
public:
    virtual ~TTransport() = default;
    // 0 on success, else an error code of snmp/Errors.h.
    virtual int32_t Send(const TEndpoint& to, const uint8_t* data, size_t size) = 0;
    // Waits at most timeoutMs for one datagram. 0 with the datagram, ErrorTimedOut, or another
    // error code. A datagram longer than the buffer is cut (and will not decode).
    virtual int32_t Receive(uint8_t* buffer, size_t capacity, size_t& size, TEndpoint& from,
                            uint32_t timeoutMs) = 0;
};

std::unique_ptr<TTransport> CreateUdpTransport();

// Resolves a host (dotted IPv4 or a name) and a decimal port text; false when either is invalid.
bool ResolveEndpoint(std::string_view host, std::string_view port, TEndpoint& endpoint);

} // namespace snmp
