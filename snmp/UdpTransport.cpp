// UDP transport over POSIX sockets. One unconnected socket per client, opened on first use, so
// replies from any address reach the client, which decides itself whether to take them.
#include "snmp/Transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "snmp/Errors.h"

namespace snmp {

namespace {

int32_t MapErrno(int error) {
    switch (error) {
    case ENETUNREACH:
        return ErrorNetworkUnreachable;
    case ECONNREFUSED:
    case ECONNRESET:
        return ErrorConnectionReset;
    case EHOSTUNREACH:
        return ErrorHostUnreachable;
    case ETIMEDOUT:
        return ErrorTimedOut;
    default:
        return ErrorSocket;
    }
}

class TUdpTransport final : public TTransport {
public:
    ~TUdpTransport() override {
        if (Socket >= 0) {
            ::close(Socket);
        }
    }

    int32_t Send(const TEndpoint& to, const uint8_t* data, size_t size) override {
        if (Socket < 0) {
            Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (Socket < 0) {
                return MapErrno(errno);
            }
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(to.Address);
        addr.sin_port = htons(to.Port);
        ssize_t sent;
        do {
            sent =
                ::sendto(Socket, data, size, 0, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        } while (sent < 0 && errno == EINTR);
        return sent < 0 ? MapErrno(errno) : 0;
    }

    int32_t Receive(uint8_t* buffer, size_t capacity, size_t& size, TEndpoint& from,
                    uint32_t timeoutMs) override {
        if (Socket < 0) {
            return ErrorTimedOut;
        }
        // A blocking receive bounded by the socket's receive time-out: one system call per
        // reply. The time-out is set again only when it changes (a zero would mean forever).
        if (timeoutMs == 0) {
            timeoutMs = 1;
        }
        if (timeoutMs != ReceiveTimeout) {
            timeval tv{};
            tv.tv_sec = time_t(timeoutMs / 1000);
            tv.tv_usec = suseconds_t(timeoutMs % 1000) * 1000;
            if (::setsockopt(Socket, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0) {
                return MapErrno(errno);
            }
            ReceiveTimeout = timeoutMs;
        }
        sockaddr_in addr{};
        socklen_t addrLen = sizeof(addr);
        ssize_t got =
            ::recvfrom(Socket, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&addr), &addrLen);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return ErrorTimedOut;
            }
            if (errno == EINTR) {
                size = 0; // the caller checks its deadline and waits again
                from = TEndpoint{};
                return 0;
            }
            return MapErrno(errno);
        }
        size = size_t(got);
        from.Address = ntohl(addr.sin_addr.s_addr);
        from.Port = ntohs(addr.sin_port);
        return 0;
    }

private:
    int Socket = -1;
    uint32_t ReceiveTimeout = 0;
};

} // namespace

std::unique_ptr<TTransport> CreateUdpTransport() {
    return std::make_unique<TUdpTransport>();
}

bool ResolveEndpoint(std::string_view host, std::string_view port, TEndpoint& endpoint) {
    if (host.empty() || port.empty() || port.size() > 5) {
        return false;
    }
    uint32_t portValue = 0;
    for (char c : port) {
        if (c < '0' || c > '9') {
            return false;
        }
        portValue = portValue * 10 + uint32_t(c - '0');
    }
    if (portValue == 0 || portValue > 65535) {
        return false;
    }
    std::string hostText(host);
    in_addr addr{};
    if (::inet_pton(AF_INET, hostText.c_str(), &addr) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* result = nullptr;
        if (::getaddrinfo(hostText.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
            return false;
        }
        addr = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
        ::freeaddrinfo(result);
    }
    endpoint.Address = ntohl(addr.s_addr);
    endpoint.Port = uint16_t(portValue);
    return true;
}

} // namespace snmp
