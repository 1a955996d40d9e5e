// The SNMP device: settings from its properties, and one request of its device type executed
// in each step of a poll.
#include "core/snmpproto/SnmpDevice.h"

#include "core/errors/TerminalData.h"
#include "core/snmpproto/DrvSnmpRequest.h"
#include "core/snmpproto/RequestConfiguration.h"
#include "core/snmpproto/SnmpProperty.h"
#include "core/snmpproto/SnmpProtocolTexts.h"
#include "platform/Ticks.h"
#include "snmp/SnmpClient.h"

#include <string>

namespace {

// The token of a poll step; it only travels through the connection's Pending.
constexpr const char* RequestToken = "REQ_OK";
// Before the first exchange of "normal" and "oids_table" requests.
constexpr uint32_t FirstExchangePauseMs = 10;

void AddLine(TTerminalDataClass* terminal, const std::string& line) {
    if (terminal != nullptr) {
        terminal->Add(line);
    }
}

} // namespace

TSNMP_Device::TSNMP_Device() : Client(std::make_unique<snmp::TSnmpClient>()) {
    Properties.reset(CreatePropertyList());
}

TSNMP_Device::~TSNMP_Device() = default;

TDevicePropertyList* TSNMP_Device::CreatePropertyList() {
    auto* list = new TSNMP_Property();
    list->FillDefaults();
    return list;
}

void TSNMP_Device::ApplyProperties() {
    TDevice::ApplyProperties();
    if (!Properties) {
        return;
    }
    TDevicePropertyList& p = *Properties;
    RequestType = p.GetValue("RequestType", "default");
    GetCommunity = p.GetValue("GETCommunity", "tarnov");
    SetCommunity = p.GetValue("SETCommunity", "gemsolt");

    const std::string version = p.GetValue("SNMPVersion", "SNMPv2c");
    Version = VersionV2c;
    if (version == "SNMPv1") {
        Version = VersionV1;
    } else if (version == "SNMPv3") {
        Version = VersionV3;
    }

    UserName = p.GetValue("SNMP_V3_UserName", "");
    Password = p.GetValue("SNMP_V3_Password", "");
    PrivacyPassword = p.GetValue("SNMPv3_Privacy_Password", "");

    const std::string flags = p.GetValue("SNMPv3_Flag", "NoAuthNoPriv");
    SecurityFlags = 0;
    if (flags == "AuthNoPriv") {
        SecurityFlags = 1;
    } else if (flags == "AuthPriv") {
        SecurityFlags = 2;
    }

    AuthMode = p.GetValue("V3Auth", "AuthMD5") == "AuthSHA1" ? 1 : 0;

    const std::string priv = p.GetValue("V3Priv", "PrivDES");
    PrivMode = 0;
    if (priv == "Priv3DES") {
        PrivMode = 1;
    } else if (priv == "PrivAES") {
        PrivMode = 2;
    }
}

const TSNMPDeviceUnit* TSNMP_Device::FindDeviceType() const {
    const TSNMPDeviceList* configuration = RequestConfiguration.get();
    return configuration != nullptr ? configuration->FindDeviceType(RequestType) : nullptr;
}

void TSNMP_Device::BuildReadRequest(TVantorelixConnection& /*connection*/, int32_t step,
                                    TTerminalDataClass* terminal, std::string& data,
                                    bool& expectAnswer) {
    data.clear();
    expectAnswer = false;
    const TSNMPDeviceUnit* type = FindDeviceType();
    if (type == nullptr) {
        AddLine(terminal, SnmpProtocolTexts().NoRequestList);
        return;
    }
    if (step >= 0 && step < type->Requests.Count()) {
        data = RequestToken;
        expectAnswer = true;
    }
}

void TSNMP_Device::PrepareClient() {
    snmp::TSnmpClient& client = *Client;
    client.Query.Clear();
    client.Reply.Clear();
    snmp::TSnmpMessage& query = client.Query;
    query.Community = GetCommunity;
    query.Version = Version;
    query.UserName = UserName;
    query.AuthPassword = Password;
    query.PrivPassword = PrivacyPassword;
    query.SecurityLevel = snmp::TSecurityLevel(SecurityFlags <= 2 ? SecurityFlags : 0);
    query.AuthProtocol = snmp::TAuthProtocol(AuthMode <= 1 ? AuthMode : 0);
    query.PrivProtocol = snmp::TPrivProtocol(PrivMode <= 2 ? PrivMode : 0);
    query.Pdu.Type = snmp::PduGetRequest;
    client.TargetHost = DeviceIPAddress;
    client.TargetPort = std::to_string(IPPort);
    // A negative time-out waits for nothing rather than for some 49 days.
    client.Timeout = TimeOut > 0 ? uint32_t(TimeOut) : 0;
}

int32_t TSNMP_Device::ParseReadAnswer(TVantorelixConnection& /*connection*/, int32_t step,
                                      TReceiveVariables& received, const std::string& /*answer*/,
                                      TTerminalDataClass* terminal) {
    const TSNMPDeviceUnit* type = FindDeviceType();
    const TSNMPRequestItem* shared = type != nullptr ? type->Requests.Item(step) : nullptr;
    if (shared == nullptr) {
        return -1;
    }
    // The configuration is shared by all threads: this step works on its own copy.
    TSNMPRequestItem request(*shared);
    const TSnmpProtocolTexts& texts = SnmpProtocolTexts();
    snmp::TSnmpClient& client = *Client;
    PrepareClient();
    request.ResetValues();

    switch (request.Kind) {
    case TSNMPRequestItem::KindNormal:
    case TSNMPRequestItem::KindOidsTable: {
        const bool normal = request.Kind == TSNMPRequestItem::KindNormal;
        if (normal ? !request.BuildGetRequest(client.Query)
                   : !request.BuildSizeRequest(client.Query)) {
            AddLine(terminal, normal ? texts.RequestBufferError : texts.TableSizeReadError);
            return -1;
        }
        platform::Sleep(FirstExchangePauseMs);
        if (!client.SendRequest()) {
            const int32_t code = client.ErrorCode();
            if (code == snmp::ErrorTimedOut) {
                return -1;
            }
            AddLine(terminal, texts.NotSnmpOrBadReply + std::to_string(code));
            return -13;
        }
        if (!normal) {
            const int32_t code = ReadTable(request, terminal);
            if (code != 0) {
                return code;
            }
        }
        break;
    }
    case TSNMPRequestItem::KindValuesTable: {
        if (!request.BuildSizeRequest(client.Query)) {
            AddLine(terminal, texts.TableConfigError);
            return -1;
        }
        if (!client.SendRequest()) {
            AddLine(terminal, texts.SnmpDataRequestError + std::to_string(client.ErrorCode()) +
                                  texts.IndexCaption + std::to_string(client.Reply.Pdu.ErrorIndex));
            return -13;
        }
        const int32_t code = ReadTable(request, terminal);
        if (code != 0) {
            return code;
        }
        break;
    }
    default:
        return -1;
    }
    ProcessReply(request, client.Query, client.Reply, terminal, received);
    return 0;
}

int32_t TSNMP_Device::ReadTable(const TSNMPRequestItem& request, TTerminalDataClass* terminal) {
    const TSnmpProtocolTexts& texts = SnmpProtocolTexts();
    snmp::TSnmpClient& client = *Client;
    const int32_t rows = ReadTableSize(request.OidCounter, client.Reply, -1);
    if (rows == -1 || rows > TSNMPRequestItem::MaxTableRows) {
        AddLine(terminal, texts.ImpossibleTableSize);
        return -13;
    }
    if (rows <= 0) {
        return 0; // the size reply is the whole answer
    }
    // The rows go into the same query, after the size variable, so the second reply carries
    // the size first and the rows after it.
    if (!request.BuildTableRequest(rows, client.Query)) {
        AddLine(terminal, texts.TableRequestError);
        return -13;
    }
    if (!client.SendRequest()) {
        AddLine(terminal, texts.SnmpRequestError + std::to_string(client.ErrorCode()));
        return -13;
    }
    return 0;
}

void TSNMP_Device::BuildCommandMessage(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                                       const TCommandRecord& /*command*/,
                                       TReceiveVariables& /*received*/,
                                       TTerminalDataClass* /*terminal*/, std::string& data,
                                       bool& /*expectAnswer*/) {
    data.clear();
}

int32_t TSNMP_Device::ParseCommandAnswer(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                                         const TCommandRecord& /*command*/,
                                         TReceiveVariables& /*received*/,
                                         const std::string& /*answer*/,
                                         TTerminalDataClass* /*terminal*/) {
    return -1;
}
