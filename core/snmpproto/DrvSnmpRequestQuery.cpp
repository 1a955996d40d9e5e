// Turning a request into the variable list of an SNMP query. The values handed to the client
// go with the null type, as a GET carries them; the default value text rides along only
// because the client keeps a value text with every variable.
#include "core/snmpproto/DrvSnmpRequest.h"

#include "core/snmpproto/OidTemplate.h"
#include "snmp/SnmpClient.h"

bool TSNMPRequestItem::BuildGetRequest(snmp::TSnmpMessage& query) const {
    if (Kind != KindNormal) {
        return false;
    }
    for (int32_t i = 0; i < Items.Count(); ++i) {
        const TRequestItemStruct* variable = Items.Item(i);
        if (variable->Oid.empty()) {
            return false;
        }
        query.AddVariable(variable->Oid, variable->DefValue, snmp::TagNull);
    }
    return true;
}

bool TSNMPRequestItem::BuildSizeRequest(snmp::TSnmpMessage& query) const {
    if ((Kind != KindOidsTable && Kind != KindValuesTable) || OidCounter.empty()) {
        return false;
    }
    query.AddVariable(OidCounter, "0", snmp::TagNull);
    return true;
}

bool TSNMPRequestItem::BuildTableRequest(int32_t rowCount, snmp::TSnmpMessage& query) const {
    if (rowCount <= 0 || rowCount > MaxTableRows || Kind == KindNormal) {
        return false;
    }
    std::string oid;
    if (Kind == KindOidsTable) {
        if (OidMask.empty()) {
            return false;
        }
        for (int32_t row = 1; row <= rowCount; ++row) {
            if (!FormatOidTemplate(OidMask, row, oid)) {
                return false;
            }
            query.AddVariable(oid, "", snmp::TagNull);
        }
        return true;
    }
    // values_table: variable i describes row i + 1; rows beyond the variables are not asked.
    for (int32_t i = 0; i < rowCount && i < Items.Count(); ++i) {
        const TRequestItemStruct* variable = Items.Item(i);
        if (variable->Oid.empty() || !FormatOidTemplate(variable->Oid, i + 1, oid)) {
            return false;
        }
        query.AddVariable(oid, variable->DefValue, snmp::TagNull);
    }
    return true;
}
