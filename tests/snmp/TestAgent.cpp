// The misbehaving test agent.
#include "tests/snmp/TestAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "snmp/Crypto.h"
#include "snmp/MessageV3.h"
#include "snmp/Usm.h"

using namespace snmp;

namespace snmptest {

namespace {

int BindLoopback(uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

std::string Digest(TAuthProtocol auth, const std::string& key, const std::string& message) {
    std::string out;
    crypto::Hmac(AuthHash(auth), key, message, out);
    return out.substr(0, AuthParametersSize);
}

} // namespace

TTestAgent::TTestAgent() {
    SetValue("1.3.6.1.2.1.1.5.0", TagOctetString, "test-agent");
    SetValue("1.3.6.1.2.1.1.3.0", TagTimeTicks, "4242");
    SetValue("1.3.6.1.4.1.99999.1.1.0", TagInteger, "-42");
}

TTestAgent::~TTestAgent() {
    Stop();
}

void TTestAgent::SetValue(const std::string& oid, uint8_t type, const std::string& value) {
    std::lock_guard<std::mutex> guard(Lock);
    Values[oid] = {type, value};
}

bool TTestAgent::Start(const TTestAgentUser& user) {
    User = user;
    uint16_t otherPort = 0;
    Socket = BindLoopback(PortNumber);
    OtherSocket = BindLoopback(otherPort);
    if (Socket < 0 || OtherSocket < 0) {
        return false;
    }
    if (User.Level != TSecurityLevel::NoAuthNoPriv) {
        crypto::THash hash = AuthHash(User.Auth);
        std::string ku;
        if (!PasswordToKey(hash, User.AuthPassword, ku) ||
            !LocalizeKey(hash, ku, EngineId, AuthKey)) {
            return false;
        }
        if (User.Level == TSecurityLevel::AuthPriv &&
            (!PasswordToKey(hash, User.PrivPassword, ku) ||
             !LocalizePrivacyKey(hash, User.Priv, ku, EngineId, PrivKey))) {
            return false;
        }
    }
    Started = std::chrono::steady_clock::now();
    Stopping = false;
    Thread = std::thread([this] { Run(); });
    return true;
}

void TTestAgent::Stop() {
    Stopping = true;
    if (Thread.joinable()) {
        Thread.join();
    }
    for (int* fd : {&Socket, &OtherSocket}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

int32_t TTestAgent::EngineTime() const {
    return int32_t(std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::steady_clock::now() - Started)
                       .count()) +
           1000;
}

void TTestAgent::Run() {
    std::string buffer(65536, '\0');
    while (!Stopping) {
        pollfd pfd{Socket, POLLIN, 0};
        if (::poll(&pfd, 1, 50) <= 0) {
            continue;
        }
        sockaddr_in peer{};
        socklen_t len = sizeof(peer);
        ssize_t got = ::recvfrom(Socket, buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&peer), &len);
        if (got > 0) {
            ++Requests;
            Handle(buffer.substr(0, size_t(got)), &peer);
        }
    }
}

void TTestAgent::Answer(TPdu& pdu) {
    std::lock_guard<std::mutex> guard(Lock);
    pdu.Type = PduResponse;
    for (TVarBind& vb : pdu.VarBinds) {
        auto it = Values.find(vb.Oid);
        if (it != Values.end()) {
            vb.Type = it->second.first;
            vb.Value = it->second.second;
        } else {
            vb.Type = TagNoSuchObject;
            vb.Value.clear();
        }
    }
}

bool TTestAgent::HandleCommunity(const std::string& datagram, std::string& reply,
                                 std::string& first, int32_t& requestId) {
    int32_t version = 0;
    std::string community;
    TPdu pdu;
    if (!DecodeCommunityMessage(datagram, version, community, pdu) || community != Community) {
        return false;
    }
    first = pdu.VarBinds.empty() ? "" : pdu.VarBinds[0].Oid;
    requestId = pdu.RequestId;
    Answer(pdu);
    if (first == misbehave::WrongRequestId) {
        pdu.RequestId += 1;
    }
    return EncodeCommunityMessage(version, community, pdu, reply);
}

bool TTestAgent::HandleV3(const std::string& datagram, std::string& reply, std::string& first) {
    TV3Message in;
    if (!DecodeV3Message(datagram, in)) {
        return false;
    }
    TV3Message out;
    out.MessageId = in.MessageId;
    out.Usm.EngineId = EngineId;
    out.Usm.Boots = EngineBoots;
    out.Usm.Time = EngineTime();
    out.Usm.UserName = in.Usm.UserName;
    TPdu pdu;
    std::string contextEngine;
    std::string contextName;
    auto report = [&](const char* oid, bool authenticated) {
        TPdu r;
        r.Type = PduReport;
        r.RequestId = pdu.RequestId;
        r.VarBinds.push_back({oid, "1", TagCounter32});
        out.Flags = authenticated ? FlagAuth : 0;
        std::string scoped;
        EncodeScopedPdu(EngineId, "", r, scoped);
        size_t offset = 0;
        EncodeV3Message(out, scoped, reply, offset);
        if (authenticated) {
            reply.replace(offset, AuthParametersSize, Digest(User.Auth, AuthKey, reply));
        }
        return true;
    };
    if (in.Usm.EngineId.empty()) {
        return report("1.3.6.1.6.3.15.1.1.4.0", false); // discovery
    }
    if (in.Usm.UserName != User.Name) {
        return report("1.3.6.1.6.3.15.1.1.3.0", false);
    }
    uint8_t level = in.Flags & (FlagAuth | FlagPriv);
    if (level & FlagAuth) {
        std::string copy = datagram;
        copy.replace(in.AuthOffset, AuthParametersSize, AuthParametersSize, '\0');
        if (Digest(User.Auth, AuthKey, copy) != in.Usm.AuthParameters) {
            return report("1.3.6.1.6.3.15.1.1.5.0", false);
        }
    }
    std::string plain;
    std::string_view scoped = in.ScopedPdu;
    if (level & FlagPriv) {
        if (!DecryptScopedPdu(User.Priv, PrivKey, in.Usm.Boots, in.Usm.Time, in.Usm.PrivParameters,
                              in.EncryptedPdu, plain)) {
            return report("1.3.6.1.6.3.15.1.1.6.0", false);
        }
        scoped = plain;
    }
    if (!DecodeScopedPdu(scoped, contextEngine, contextName, pdu)) {
        return false;
    }
    first = pdu.VarBinds.empty() ? "" : pdu.VarBinds[0].Oid;
    if (first == misbehave::UnknownUserReport) {
        return report("1.3.6.1.6.3.15.1.1.3.0", false);
    }
    if (first == misbehave::ResyncOnce && !ResyncSent) {
        ResyncSent = true;
        return report("1.3.6.1.6.3.15.1.1.2.0", true);
    }
    Answer(pdu);
    if (first == misbehave::WrongRequestId) {
        pdu.RequestId += 1;
    }
    if (first == misbehave::WrongEngineTime) {
        out.Usm.Time -= 900; // far outside the 150 s window
    }
    out.Flags = level;
    std::string scopedOut;
    EncodeScopedPdu(EngineId, contextName, pdu, scopedOut);
    std::string data = scopedOut;
    if (level & FlagPriv) {
        EncryptScopedPdu(User.Priv, PrivKey, out.Usm.Boots, out.Usm.Time, ++Salt, scopedOut, data,
                         out.Usm.PrivParameters);
    }
    size_t offset = 0;
    EncodeV3Message(out, data, reply, offset);
    if (level & FlagAuth) {
        std::string digest = Digest(User.Auth, AuthKey, reply);
        if (first == misbehave::WrongDigest) {
            digest[0] = char(digest[0] ^ 1);
        }
        reply.replace(offset, AuthParametersSize, digest);
    }
    return true;
}

void TTestAgent::Handle(const std::string& datagram, const void* peer) {
    int32_t version = -1;
    if (!PeekMessageVersion(datagram, version)) {
        return;
    }
    std::string reply;
    std::string first;
    int32_t requestId = 0;
    bool ok = version == SnmpVersion3 ? HandleV3(datagram, reply, first)
                                      : HandleCommunity(datagram, reply, first, requestId);
    if (!ok || first == misbehave::NoAnswer) {
        return;
    }
    if (first == misbehave::LateAnswer) {
        std::this_thread::sleep_for(std::chrono::milliseconds(LateMs));
    }
    if (first == misbehave::Truncated) {
        reply.resize(reply.size() / 2);
    }
    if (first == misbehave::Malformed) {
        // Right length, wrong inside: an indefinite length where the PDU should be.
        std::string bad = reply;
        for (size_t i = 2; i + 1 < bad.size(); ++i) {
            if (uint8_t(bad[i]) == PduResponse) {
                bad[i + 1] = char(0x80);
                break;
            }
        }
        reply = bad;
    }
    int fd = first == misbehave::OtherPort ? OtherSocket : Socket;
    ::sendto(fd, reply.data(), reply.size(), 0, static_cast<const sockaddr*>(peer),
             sizeof(sockaddr_in));
}

} // namespace snmptest
