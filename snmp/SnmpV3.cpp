// SNMPv3 exchange with the user-based security model: engine discovery, time synchronisation,
// keys localised once per engine, authenticated and encrypted requests, checked replies.
#include "snmp/SnmpClient.h"

#include <random>

#include "snmp/Crypto.h"
#include "snmp/MessageV3.h"
#include "snmp/Usm.h"

namespace snmp {

namespace {

using Clock = std::chrono::steady_clock;

// usmStats counters that agents put in their reports (RFC 3414 5).
const std::string_view UsmStatsPrefix = "1.3.6.1.6.3.15.1.1.";
constexpr int32_t TimeWindowSeconds = 150;

enum class TReportKind {
    None,
    UnsupportedSecurityLevel,
    NotInTimeWindow,
    UnknownUser,
    UnknownEngineId,
    WrongDigest,
    Decryption,
    Other
};

TReportKind ClassifyReport(const TPdu& pdu) {
    if (pdu.VarBinds.empty()) {
        return TReportKind::Other;
    }
    std::string_view oid = pdu.VarBinds[0].Oid;
    if (oid.substr(0, UsmStatsPrefix.size()) != UsmStatsPrefix) {
        return TReportKind::Other;
    }
    oid.remove_prefix(UsmStatsPrefix.size());
    if (oid == "1.0") {
        return TReportKind::UnsupportedSecurityLevel;
    }
    if (oid == "2.0") {
        return TReportKind::NotInTimeWindow;
    }
    if (oid == "3.0") {
        return TReportKind::UnknownUser;
    }
    if (oid == "4.0") {
        return TReportKind::UnknownEngineId;
    }
    if (oid == "5.0") {
        return TReportKind::WrongDigest;
    }
    if (oid == "6.0") {
        return TReportKind::Decryption;
    }
    return TReportKind::Other;
}

int32_t ReportCode(TReportKind kind) {
    switch (kind) {
    case TReportKind::UnsupportedSecurityLevel:
        return ErrorUnsupportedSecurityLevel;
    case TReportKind::NotInTimeWindow:
        return ErrorNotInTimeWindow;
    case TReportKind::UnknownUser:
        return ErrorUnknownUser;
    case TReportKind::UnknownEngineId:
        return ErrorUnknownEngineId;
    case TReportKind::WrongDigest:
        return ErrorAuthenticationFailed;
    case TReportKind::Decryption:
        return ErrorDecryption;
    default:
        return ErrorReport;
    }
}

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t size) {
    uint8_t diff = 0;
    for (size_t i = 0; i < size; ++i) {
        diff |= uint8_t(a[i] ^ b[i]);
    }
    return diff == 0;
}

} // namespace

struct TUsmState {
    uint64_t Localisations = 0;

    // The agent's engine as learned; Known is false until discovery succeeded.
    bool Known = false;
    TEndpoint Target;
    std::string EngineId;
    int32_t Boots = 0;
    int32_t LatestTime = 0; // latest engine time received
    Clock::time_point LatestTimeAt;

    // Keys for the user as last set on the query, localised to EngineId.
    bool KeysValid = false;
    std::string KeysEngineId;
    TSecurityLevel KeysLevel = TSecurityLevel::NoAuthNoPriv;
    TAuthProtocol KeysAuth = TAuthProtocol::Md5;
    TPrivProtocol KeysPriv = TPrivProtocol::Des;
    std::string KeysAuthPassword;
    std::string KeysPrivPassword;
    std::string PrivKey;
    crypto::THmac Hmac;

    uint64_t Salt = 0;
    std::string ScopedPdu;
    std::string Encrypted;
    std::string Plain;
    std::string Scratch;
    std::string ContextEngine;

    // The engine time now, as estimated from the latest time received.
    int32_t EstimatedTime() const {
        auto elapsed =
            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - LatestTimeAt).count();
        int64_t t = int64_t(LatestTime) + elapsed;
        return t > INT32_MAX ? INT32_MAX : int32_t(t);
    }

    void Learn(int32_t boots, int32_t time) {
        Boots = boots;
        LatestTime = time;
        LatestTimeAt = Clock::now();
    }
};

TSnmpClient::TSnmpClient() : TSnmpClient(CreateUdpTransport()) {}

TSnmpClient::TSnmpClient(std::unique_ptr<TTransport> transport)
    : Transport(std::move(transport)), Usm(std::make_unique<TUsmState>()), ReceiveBuffer(65536) {
    std::random_device seed;
    RequestCounter = int32_t(seed() & 0x3FFFFFFF);
    if (!crypto::RandomBytes(&Usm->Salt, sizeof(Usm->Salt))) {
        Usm->Salt = (uint64_t(seed()) << 32) | seed();
    }
}

TSnmpClient::~TSnmpClient() = default;

uint64_t TSnmpClient::KeyLocalisations() const {
    return Usm->Localisations;
}
std::string TSnmpClient::EngineId() const {
    return Usm->EngineId;
}
int32_t TSnmpClient::EngineBoots() const {
    return Usm->Boots;
}

// Asks the agent for its engine id, boots and time with an unauthenticated request without
// variables; the agent answers with a usmStatsUnknownEngineIDs report (RFC 3414 4).
bool TSnmpClient::Discover() {
    TUsmState& s = *Usm;
    s.Known = false;
    TPdu probe;
    probe.Type = PduGetRequest;
    probe.RequestId = NextRequestId();
    TV3Message header;
    header.MessageId = NextRequestId();
    header.Flags = FlagReportable;
    if (!EncodeScopedPdu({}, {}, probe, s.ScopedPdu)) {
        return Fail(ErrorNotSentOrUndecodable);
    }
    size_t authOffset = 0;
    EncodeV3Message(header, s.ScopedPdu, SendBuffer, authOffset);
    TV3Message answer;
    TPdu pdu;
    std::string contextEngine;
    std::string contextName;
    auto judge = [&](std::string_view datagram) {
        TJudgement judgement;
        if (!DecodeV3Message(datagram, answer)) {
            judgement.Code = ErrorNotSentOrUndecodable;
            return judgement;
        }
        if (answer.MessageId != header.MessageId) {
            return judgement;
        }
        if ((answer.Flags & FlagPriv) ||
            !DecodeScopedPdu(answer.ScopedPdu, contextEngine, contextName, pdu) ||
            answer.Usm.EngineId.empty()) {
            judgement.Code = ErrorNotSentOrUndecodable;
            return judgement;
        }
        judgement.Verdict = TVerdict::Accept;
        return judgement;
    };
    int32_t result = Exchange(SendBuffer, judge);
    if (result != -1) {
        return Fail(result, result == ErrorNotSentOrUndecodable
                                ? "the agent's answer to engine discovery could not be decoded"
                                : std::string());
    }
    if (answer.Usm.EngineId != s.EngineId) {
        s.KeysValid = false; // another engine: keys are localised again
    }
    s.EngineId = answer.Usm.EngineId;
    s.Learn(answer.Usm.Boots, answer.Usm.Time);
    s.Known = true;
    return true;
}

bool TSnmpClient::PrepareKeys() {
    TUsmState& s = *Usm;
    const TSnmpMessage& q = Query;
    if (q.SecurityLevel == TSecurityLevel::NoAuthNoPriv) {
        return true;
    }
    bool priv = q.SecurityLevel == TSecurityLevel::AuthPriv;
    if (s.KeysValid && s.KeysEngineId == s.EngineId && s.KeysLevel == q.SecurityLevel &&
        s.KeysAuth == q.AuthProtocol && s.KeysAuthPassword == q.AuthPassword &&
        (!priv || (s.KeysPriv == q.PrivProtocol && s.KeysPrivPassword == q.PrivPassword))) {
        return true;
    }
    s.KeysValid = false;
    if (q.AuthPassword.empty() || (priv && q.PrivPassword.empty())) {
        return Fail(ErrorNotSentOrUndecodable, "an SNMPv3 password is empty");
    }
    crypto::THash hash = AuthHash(q.AuthProtocol);
    std::string ku;
    std::string authKey;
    if (!PasswordToKey(hash, q.AuthPassword, ku) || !LocalizeKey(hash, ku, s.EngineId, authKey) ||
        !s.Hmac.Init(hash, authKey)) {
        return Fail(ErrorCrypto);
    }
    if (priv) {
        std::string privKu;
        if (!PasswordToKey(hash, q.PrivPassword, privKu) ||
            !LocalizePrivacyKey(hash, q.PrivProtocol, privKu, s.EngineId, s.PrivKey)) {
            return Fail(ErrorCrypto);
        }
    }
    ++s.Localisations;
    s.KeysValid = true;
    s.KeysEngineId = s.EngineId;
    s.KeysLevel = q.SecurityLevel;
    s.KeysAuth = q.AuthProtocol;
    s.KeysPriv = q.PrivProtocol;
    s.KeysAuthPassword = q.AuthPassword;
    s.KeysPrivPassword = priv ? q.PrivPassword : std::string();
    return true;
}

bool TSnmpClient::SendV3() {
    TUsmState& s = *Usm;
    if (Query.UserName.empty() || Query.UserName.size() > 32) {
        return Fail(ErrorNotSentOrUndecodable, "SNMPv3 needs a user name of 1 to 32 characters");
    }
    const bool auth = Query.SecurityLevel != TSecurityLevel::NoAuthNoPriv;
    const bool priv = Query.SecurityLevel == TSecurityLevel::AuthPriv;
    const uint8_t levelFlags = uint8_t((auth ? FlagAuth : 0) | (priv ? FlagPriv : 0));
    if (!(s.Target == Target)) {
        s.Known = false;
        s.Target = Target;
    }
    bool rediscovered = false;
    bool resynchronised = false;
    if (!s.Known) {
        if (!Discover()) {
            return false;
        }
        rediscovered = true;
    }
    for (;;) {
        if (!PrepareKeys()) {
            return false;
        }
        TV3Message header;
        header.MessageId = NextRequestId();
        header.Flags = uint8_t(FlagReportable | levelFlags);
        header.Usm.EngineId = s.EngineId;
        header.Usm.UserName = Query.UserName;
        if (auth) {
            header.Usm.Boots = s.Boots;
            header.Usm.Time = s.EstimatedTime();
        }
        Query.Pdu.RequestId = NextRequestId();
        if (!EncodeScopedPdu(s.EngineId, Query.ContextName, Query.Pdu, s.ScopedPdu)) {
            return Fail(ErrorNotSentOrUndecodable, "the query holds an invalid OID or value");
        }
        std::string_view data = s.ScopedPdu;
        if (priv) {
            if (!EncryptScopedPdu(Query.PrivProtocol, s.PrivKey, header.Usm.Boots, header.Usm.Time,
                                  ++s.Salt, s.ScopedPdu, s.Encrypted, header.Usm.PrivParameters)) {
                return Fail(ErrorCrypto);
            }
            data = s.Encrypted;
        }
        size_t authOffset = 0;
        EncodeV3Message(header, data, SendBuffer, authOffset);
        if (auth) {
            uint8_t digest[20];
            if (!s.Hmac.Compute(SendBuffer, digest)) {
                return Fail(ErrorCrypto);
            }
            SendBuffer.replace(authOffset, AuthParametersSize, reinterpret_cast<char*>(digest),
                               AuthParametersSize);
        }

        TV3Message answer;
        TReportKind report = TReportKind::None;
        auto judge = [&](std::string_view datagram) {
            TJudgement judgement;
            if (!DecodeV3Message(datagram, answer)) {
                judgement.Code = ErrorNotSentOrUndecodable;
                return judgement;
            }
            if (answer.MessageId != header.MessageId) {
                return judgement; // not the answer to this message
            }
            bool authentic = false;
            if (answer.Flags & FlagAuth) {
                // Only a digest made with our key over this very datagram counts.
                if (!auth || answer.Usm.UserName != Query.UserName ||
                    answer.Usm.EngineId != s.EngineId ||
                    answer.Usm.AuthParameters.size() != AuthParametersSize) {
                    judgement.Code = ErrorAuthenticationFailed;
                    return judgement;
                }
                s.Scratch.assign(datagram);
                s.Scratch.replace(answer.AuthOffset, AuthParametersSize, AuthParametersSize, '\0');
                uint8_t digest[20];
                if (!s.Hmac.Compute(s.Scratch, digest) ||
                    !EqualInConstantTime(
                        digest, reinterpret_cast<const uint8_t*>(answer.Usm.AuthParameters.data()),
                        AuthParametersSize)) {
                    judgement.Code = ErrorAuthenticationFailed;
                    return judgement;
                }
                authentic = true;
            }
            std::string_view scoped = answer.ScopedPdu;
            if (answer.Flags & FlagPriv) {
                if (!priv || !DecryptScopedPdu(Query.PrivProtocol, s.PrivKey, answer.Usm.Boots,
                                               answer.Usm.Time, answer.Usm.PrivParameters,
                                               answer.EncryptedPdu, s.Plain)) {
                    judgement.Code = ErrorDecryption;
                    return judgement;
                }
                scoped = s.Plain;
            }
            if (!DecodeScopedPdu(scoped, s.ContextEngine, Reply.ContextName, Reply.Pdu)) {
                judgement.Code =
                    (answer.Flags & FlagPriv) ? ErrorDecryption : ErrorNotSentOrUndecodable;
                return judgement;
            }
            if (Reply.Pdu.Type == PduReport) {
                // Reports about security failures come unauthenticated: the agent could not
                // check us. They end the exchange; a resynchronisation takes one more round.
                report = ClassifyReport(Reply.Pdu);
                judgement.Verdict = TVerdict::Accept;
                return judgement;
            }
            if (Reply.Pdu.Type != PduResponse || Reply.Pdu.RequestId != Query.Pdu.RequestId ||
                (answer.Flags & (FlagAuth | FlagPriv)) != levelFlags ||
                answer.Usm.UserName != Query.UserName || answer.Usm.EngineId != s.EngineId) {
                return judgement;
            }
            if (authentic) {
                // RFC 3414 3.2.7 b: learn a later time, refuse a message from the past.
                int32_t estimated = s.EstimatedTime();
                if (answer.Usm.Boots > s.Boots ||
                    (answer.Usm.Boots == s.Boots && answer.Usm.Time > s.LatestTime)) {
                    s.Learn(answer.Usm.Boots, answer.Usm.Time);
                }
                if (answer.Usm.Boots == INT32_MAX || answer.Usm.Boots < s.Boots ||
                    (answer.Usm.Boots == s.Boots &&
                     answer.Usm.Time < estimated - TimeWindowSeconds)) {
                    judgement.Code = ErrorNotInTimeWindow;
                    return judgement;
                }
            }
            judgement.Verdict = TVerdict::Accept;
            return judgement;
        };
        int32_t result = Exchange(SendBuffer, judge);
        if (result != -1) {
            Reply.Clear();
            return Fail(result, result == ErrorNotSentOrUndecodable
                                    ? "the agent's reply could not be decoded"
                                    : std::string());
        }
        if (report == TReportKind::None) {
            Reply.Version = SnmpVersion3;
            Reply.UserName = answer.Usm.UserName;
            Reply.SecurityLevel = Query.SecurityLevel;
            Reply.AuthProtocol = Query.AuthProtocol;
            Reply.PrivProtocol = Query.PrivProtocol;
            return true;
        }
        std::string reportOid = Reply.Pdu.VarBinds.empty() ? "" : Reply.Pdu.VarBinds[0].Oid;
        Reply.Clear();
        if (report == TReportKind::UnknownEngineId && !rediscovered) {
            // The agent was replaced (or never knew us): learn its engine again.
            rediscovered = true;
            if (!Discover()) {
                return false;
            }
            continue;
        }
        if (report == TReportKind::NotInTimeWindow && !resynchronised &&
            answer.Usm.EngineId == s.EngineId) {
            // The agent rebooted or our notion of its clock drifted: take its boots and time.
            resynchronised = true;
            s.Learn(answer.Usm.Boots, answer.Usm.Time);
            continue;
        }
        if (report == TReportKind::UnknownEngineId) {
            s.Known = false;
        }
        return Fail(ReportCode(report),
                    ErrorCodeText(ReportCode(report)) +
                        (reportOid.empty() ? std::string() : " (report " + reportOid + ")"));
    }
}

} // namespace snmp
