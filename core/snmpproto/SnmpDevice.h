// TSNMP_Device: the device class of the SNMP driver. Each poll step executes one request of the
// device's type (RequestType) with the device's SNMP client and queues the converted values.
#pragma once

#include "core/driver/Device.h"

#include <cstdint>
#include <memory>
#include <string>

namespace snmp {
class TSnmpClient;
struct TSnmpMessage;
} // namespace snmp

class TSNMPRequestItem;
class TSNMPDeviceUnit;

// How a poll runs: BuildReadRequest yields the token "REQ_OK" for every step that has a request
// of the device type; the connection hands it back and ParseReadAnswer does the real work:
// one GET of all variables ("normal"), or the table size and then the size with all rows in
// one second GET ("values_table", "oids_table"). Integer values (INTEGER, Counter32, Gauge32,
// TimeTicks) of variables that have a tag go through the variable's expression and are queued
// for (RoutingPrefix, DeviceAddress, variable's tag address).
//
// The request configuration is shared by every polling thread and never changed: each step
// works on its own copy of the request, which holds the variables' working values.
//
// Commands: the SNMP device sends nothing for a command (its command frame is empty) and
// rejects any answer.
class TSNMP_Device : public TDevice {
public:
    enum : uint8_t { VersionV1 = 0, VersionV2c = 1, VersionV3 = 3 };

    TSNMP_Device();
    ~TSNMP_Device() override;

    // A TSNMP_Property with its defaults.
    TDevicePropertyList* CreatePropertyList() override;
    // The generic fields, then the SNMP fields (exact names; unknown texts keep the first code).
    void ApplyProperties() override;

    void BuildReadRequest(TVantorelixConnection& connection, int32_t step,
                          TTerminalDataClass* terminal, std::string& data,
                          bool& expectAnswer) override;
    // 0 success; -1 no request for the step, a configuration error, or no reply in time to the
    // first exchange of a "normal" or "oids_table" request; -13 any other SNMP failure.
    int32_t ParseReadAnswer(TVantorelixConnection& connection, int32_t step,
                            TReceiveVariables& received, const std::string& answer,
                            TTerminalDataClass* terminal) override;
    void BuildCommandMessage(TVantorelixConnection& connection, int32_t step,
                             const TCommandRecord& command, TReceiveVariables& received,
                             TTerminalDataClass* terminal, std::string& data,
                             bool& expectAnswer) override;
    int32_t ParseCommandAnswer(TVantorelixConnection& connection, int32_t step,
                               const TCommandRecord& command, TReceiveVariables& received,
                               const std::string& answer, TTerminalDataClass* terminal) override;

    // Converts and queues the values of a reply to the query that the client still holds.
    // A reply variable is taken only when its OID is the one asked at its position.
    bool ProcessReply(TSNMPRequestItem& request, const snmp::TSnmpMessage& query,
                      const snmp::TSnmpMessage& reply, TTerminalDataClass* terminal,
                      TReceiveVariables& received);
    // The value of the last reply variable with this OID when it is of an integer type and
    // reads as a signed 32-bit number; def otherwise.
    static int32_t ReadTableSize(const std::string& oid, const snmp::TSnmpMessage& reply,
                                 int32_t def);
    // Variable k of the request: CurrentValue := valueText; when its tag exists and the type is
    // an integer type, the value (16-bit sign rule, expression) is queued. False when nothing
    // was queued.
    bool ConvertValue(TSNMPRequestItem& request, int32_t k, TTerminalDataClass* terminal,
                      TReceiveVariables& received, const std::string& valueText, uint8_t valueType);

    std::string RequestType;
    std::string GetCommunity = "tarnov";
    std::string SetCommunity = "gemsolt"; // kept; the device issues no SET requests
    uint8_t Version = VersionV1;
    std::string UserName;
    std::string Password;
    std::string PrivacyPassword;
    uint8_t SecurityFlags = 0; // 0 noAuthNoPriv, 1 authNoPriv, 2 authPriv
    uint8_t AuthMode = 0;      // 0 MD5, 1 SHA-1
    uint8_t PrivMode = 0;      // 0 DES, 1 triple DES, 2 AES
    std::unique_ptr<snmp::TSnmpClient> Client;

private:
    // The device type named by RequestType in the loaded configuration, or null.
    const TSNMPDeviceUnit* FindDeviceType() const;
    // Clears both messages and sets the device's settings on the query and the target.
    void PrepareClient();
    // The size exchange's reply is in the client: asks for the rows. 0 or a negative code.
    int32_t ReadTable(const TSNMPRequestItem& request, TTerminalDataClass* terminal);
};
