// The client's exchange loop and the community-based (SNMPv1, SNMPv2c) request.
#include "snmp/SnmpClient.h"

namespace snmp {

const TVarBind* TSnmpMessage::FindVariable(std::string_view oid) const {
    for (const TVarBind& vb : Pdu.VarBinds) {
        if (vb.Oid == oid) {
            return &vb;
        }
    }
    return nullptr;
}

void TSnmpMessage::Clear() {
    Version = SnmpVersion1;
    Community.clear();
    UserName.clear();
    AuthPassword.clear();
    PrivPassword.clear();
    SecurityLevel = TSecurityLevel::NoAuthNoPriv;
    AuthProtocol = TAuthProtocol::Md5;
    PrivProtocol = TPrivProtocol::Des;
    ContextName.clear();
    Pdu.Type = PduGetRequest;
    Pdu.RequestId = 0;
    Pdu.ErrorStatus = 0;
    Pdu.ErrorIndex = 0;
    Pdu.VarBinds.clear();
}

std::string ErrorCodeText(int32_t code) {
    switch (code) {
    case ErrorNotSentOrUndecodable:
        return "request not sent or reply not decodable";
    case ErrorNetworkUnreachable:
        return "network unreachable";
    case ErrorConnectionReset:
        return "connection refused by the target";
    case ErrorTimedOut:
        return "no reply within the time-out";
    case ErrorHostUnreachable:
        return "host unreachable";
    case ErrorSocket:
        return "socket error";
    case ErrorUnknownUser:
        return "unknown user name";
    case ErrorAuthenticationFailed:
        return "authentication failure (wrong password or digest)";
    case ErrorUnsupportedSecurityLevel:
        return "security level not supported for this user";
    case ErrorNotInTimeWindow:
        return "message not in the agent's time window";
    case ErrorUnknownEngineId:
        return "unknown engine id";
    case ErrorDecryption:
        return "decryption error (wrong privacy password or protocol)";
    case ErrorReport:
        return "the agent answered with a report";
    case ErrorCrypto:
        return "cryptographic library failure";
    default:
        return "error " + std::to_string(code);
    }
}

bool TSnmpClient::Fail(int32_t code, std::string text) {
    Reply.Clear();
    LastError = code;
    LastErrorText = text.empty() ? ErrorCodeText(code) : std::move(text);
    return false;
}

int32_t TSnmpClient::NextRequestId() {
    RequestCounter = RequestCounter >= INT32_MAX - 1 ? 1 : RequestCounter + 1;
    return RequestCounter;
}

// Sends one datagram and waits until the judge accepts or fails a datagram from the target, or
// the time-out ends. Datagrams from elsewhere, and those the judge drops, are ignored, so a late
// reply to an earlier request is never taken. When the time-out ends after the judge refused
// something, the reason of the last refusal is the result rather than the plain time-out.
int32_t TSnmpClient::Exchange(std::string_view request, TJudgeRef judge) {
    int32_t sent =
        Transport->Send(Target, reinterpret_cast<const uint8_t*>(request.data()), request.size());
    if (sent != 0) {
        return sent;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(Timeout);
    std::optional<int32_t> refusal;
    for (;;) {
        auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        // Rounded up, so the first wait is the whole time-out and the transport need not
        // change its setting from one exchange to the next.
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        size_t size = 0;
        TEndpoint from;
        int32_t received = Transport->Receive(ReceiveBuffer.data(), ReceiveBuffer.size(), size,
                                              from, uint32_t(left < 1 ? 1 : left));
        if (received == ErrorTimedOut) {
            break;
        }
        if (received != 0) {
            return received;
        }
        if (!(from == Target) || size == 0) {
            continue;
        }
        TJudgement judgement =
            judge.Call(judge.Object,
                       std::string_view(reinterpret_cast<const char*>(ReceiveBuffer.data()), size));
        if (judgement.Verdict == TVerdict::Accept) {
            return -1;
        }
        if (judgement.Verdict == TVerdict::Fail) {
            return judgement.Code.value_or(ErrorNotSentOrUndecodable);
        }
        if (judgement.Code) {
            refusal = judgement.Code;
        }
    }
    return refusal.value_or(ErrorTimedOut);
}

bool TSnmpClient::SendRequest() {
    LastError = 0;
    LastErrorText.clear();
    // The reply's variables stay allocated for the decoder to overwrite; a failure clears them.
    std::vector<TVarBind> storage = std::move(Reply.Pdu.VarBinds);
    Reply.Clear();
    Reply.Pdu.VarBinds = std::move(storage);
    if (TargetHost != ResolvedHost || TargetPort != ResolvedPort) {
        ResolvedHost.clear();
        if (!ResolveEndpoint(TargetHost, TargetPort, Target)) {
            return Fail(ErrorNotSentOrUndecodable,
                        "invalid target '" + TargetHost + ":" + TargetPort + "'");
        }
        ResolvedHost = TargetHost;
        ResolvedPort = TargetPort;
    }
    if (Query.Version == SnmpVersion3) {
        return SendV3();
    }
    if (Query.Version != SnmpVersion1 && Query.Version != SnmpVersion2c) {
        return Fail(ErrorNotSentOrUndecodable,
                    "unsupported SNMP version code " + std::to_string(Query.Version));
    }
    return SendCommunity();
}

bool TSnmpClient::SendCommunity() {
    Query.Pdu.RequestId = NextRequestId();
    if (!EncodeCommunityMessage(Query.Version, Query.Community, Query.Pdu, SendBuffer)) {
        return Fail(ErrorNotSentOrUndecodable, "the query holds an invalid OID or value");
    }
    int32_t version = 0;
    auto judge = [&](std::string_view datagram) {
        TJudgement judgement;
        if (!DecodeCommunityMessage(datagram, version, Reply.Community, Reply.Pdu)) {
            judgement.Code = ErrorNotSentOrUndecodable;
            return judgement;
        }
        if (version == Query.Version && Reply.Community == Query.Community &&
            Reply.Pdu.Type == PduResponse && Reply.Pdu.RequestId == Query.Pdu.RequestId) {
            judgement.Verdict = TVerdict::Accept;
        }
        return judgement;
    };
    int32_t result = Exchange(SendBuffer, judge);
    if (result != -1) {
        Reply.Clear();
        return Fail(result, result == ErrorNotSentOrUndecodable
                                ? "the agent's reply could not be decoded"
                                : std::string());
    }
    Reply.Version = version;
    return true;
}

} // namespace snmp
