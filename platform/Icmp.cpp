// One ICMP echo: an unprivileged ICMP datagram socket where the system allows it (the kernel
// then routes only our replies to us), else a raw socket, where every ICMP packet of the host
// arrives and ours are told apart by identifier, sequence number and a token in the data.
#include "platform/Icmp.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint8_t kEchoReply = 0;
constexpr uint8_t kUnreachable = 3;
constexpr uint8_t kEchoRequest = 8;
constexpr uint8_t kTimeExceeded = 11;
constexpr size_t kHeaderSize = 8;
constexpr size_t kDataSize = 32; // as the Windows echo carried
constexpr size_t kPacketSize = kHeaderSize + kDataSize;

// Echo header: type u8 | code u8 | checksum u16 | identifier u16 | sequence u16 (network order).
uint16_t Checksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2)
        sum += uint32_t(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += uint32_t(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return uint16_t(~sum);
}

uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

uint64_t MonotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

// Addresses an echo must never go to: "this host" 0.0.0.0, broadcast, multicast, class E.
bool Usable(uint32_t addressNetworkOrder) {
    uint32_t host = ntohl(addressNetworkOrder);
    return host != 0 && host != 0xFFFFFFFFu && (host >> 28) != 0xE && (host >> 28) != 0xF;
}

struct TSocket {
    int Fd = -1;
    bool Raw = false;
    ~TSocket() {
        if (Fd >= 0)
            close(Fd);
    }
};

bool OpenSocket(TSocket* s) {
    s->Fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (s->Fd >= 0)
        return true;
    s->Fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    s->Raw = true;
    return s->Fd >= 0;
}

struct TRequest {
    uint16_t Identifier;
    uint16_t Sequence;
    uint8_t Token[kDataSize];
};

// True when icmp (an ICMP message of size bytes) answers our request.
bool IsOurReply(const TRequest& request, const uint8_t* icmp, size_t size, bool checkId) {
    if (size < kPacketSize || icmp[0] != kEchoReply || icmp[1] != 0)
        return false;
    if (checkId && Get16(icmp + 4) != request.Identifier)
        return false;
    return Get16(icmp + 6) == request.Sequence &&
           std::memcmp(icmp + kHeaderSize, request.Token, kDataSize) == 0;
}

// True when icmp is an error report (unreachable, time exceeded) about our request: it quotes
// the request's IP header and its first 8 bytes.
bool IsErrorAboutUs(const TRequest& request, const uint8_t* icmp, size_t size) {
    if (size < kHeaderSize + 20 + kHeaderSize ||
        (icmp[0] != kUnreachable && icmp[0] != kTimeExceeded))
        return false;
    const uint8_t* quotedIp = icmp + kHeaderSize;
    size_t ipLength = size_t(quotedIp[0] & 0x0F) * 4;
    if (ipLength < 20 || size < kHeaderSize + ipLength + kHeaderSize)
        return false;
    const uint8_t* quoted = quotedIp + ipLength;
    return quoted[0] == kEchoRequest && Get16(quoted + 4) == request.Identifier &&
           Get16(quoted + 6) == request.Sequence;
}

} // namespace

bool IcmpEcho(uint32_t addressNetworkOrder, uint32_t timeoutMs, TIcmpReply* reply) {
    if (!Usable(addressNetworkOrder))
        return false;
    TSocket s;
    if (!OpenSocket(&s))
        return false;

    static std::atomic<uint16_t> sequence{0};
    TRequest request{};
    std::random_device random;
    request.Identifier = uint16_t(random());
    request.Sequence = sequence.fetch_add(1);
    for (uint8_t& b : request.Token)
        b = uint8_t(random());

    uint8_t packet[kPacketSize] = {};
    packet[0] = kEchoRequest;
    Put16(packet + 4, request.Identifier);
    Put16(packet + 6, request.Sequence);
    std::memcpy(packet + kHeaderSize, request.Token, kDataSize);
    Put16(packet + 2, Checksum(packet, sizeof packet));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = addressNetworkOrder;
    uint64_t start = MonotonicUs();
    if (sendto(s.Fd, packet, sizeof packet, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
               sizeof to) != ssize_t(sizeof packet))
        return false;

    const uint64_t deadline = start + uint64_t(timeoutMs) * 1000u;
    for (;;) {
        uint64_t now = MonotonicUs();
        if (now >= deadline)
            return false;
        pollfd pfd{s.Fd, POLLIN, 0};
        int ready = poll(&pfd, 1, int((deadline - now + 999) / 1000));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        uint8_t buffer[1500];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n = recvfrom(s.Fd, buffer, sizeof buffer, MSG_DONTWAIT,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false; // an error the datagram socket reports (unreachable and the like)
        }
        const uint8_t* icmp = buffer;
        size_t size = size_t(n);
        if (s.Raw) {
            // A raw socket hands over the IP header too.
            size_t ipLength = size > 0 ? size_t(buffer[0] & 0x0F) * 4 : 0;
            if (ipLength < 20 || ipLength > size)
                continue;
            icmp += ipLength;
            size -= ipLength;
            if (IsErrorAboutUs(request, icmp, size))
                return false;
        }
        // The datagram socket's kernel replaces our identifier with its own.
        if (IsOurReply(request, icmp, size, s.Raw)) {
            if (reply) {
                reply->Address = from.sin_addr.s_addr;
                reply->RoundTripMs = uint32_t((MonotonicUs() - start) / 1000u);
            }
            return true;
        }
    }
}

} // namespace platform
