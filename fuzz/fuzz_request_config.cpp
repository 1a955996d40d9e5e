// libFuzzer target for the SNMP request configuration loader: loads the input as Plinvar.xml,
// checks what a successful load promises, and runs every loaded request the way a poll does:
// its working copy, its query, and a reply that echoes the query back to the device.
#include "core/polling/ReceiveVariables.h"
#include "core/snmpproto/DrvSnmpRequest.h"
#include "core/snmpproto/SnmpDevice.h"
#include "snmp/SnmpClient.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return text;
}

// The reply an agent would give when every object exists: the asked OIDs in order, with
// values of the types the device converts and searches.
void EchoReply(const snmp::TSnmpMessage& query, snmp::TSnmpMessage& reply) {
    reply.Clear();
    uint8_t types[] = {snmp::TagInteger, snmp::TagObjectId, snmp::TagCounter32,
                       snmp::TagOctetString};
    for (size_t i = 0; i < query.Pdu.VarBinds.size(); ++i) {
        const uint8_t type = types[i % 4];
        reply.AddVariable(
            query.Pdu.VarBinds[i].Oid,
            type == snmp::TagObjectId ? query.Pdu.VarBinds[i].Oid : std::to_string(i * 977), type);
    }
}

void RunRequest(TSNMP_Device& device, const TSNMPRequestItem& shared) {
    Check(shared.Kind <= TSNMPRequestItem::KindValuesTable);
    TSNMPRequestItem request(shared);
    request.ResetValues();
    for (int32_t i = 0; i < request.Items.Count(); ++i) {
        Check(request.Items.Item(i)->CurrentValue == request.Items.Item(i)->DefValue);
        // The shared configuration keeps no working values.
        Check(shared.Items.Item(i)->CurrentValue.empty());
    }
    snmp::TSnmpMessage query;
    snmp::TSnmpMessage reply;
    TReceiveVariables received;
    if (request.Kind == TSNMPRequestItem::KindNormal) {
        const bool built = request.BuildGetRequest(query);
        Check(query.Pdu.VarBinds.size() <= size_t(request.Items.Count()));
        Check(!built || query.Pdu.VarBinds.size() == size_t(request.Items.Count()));
        Check(!request.BuildSizeRequest(query) && !request.BuildTableRequest(1, query));
    } else {
        Check(request.BuildSizeRequest(query) == !request.OidCounter.empty());
        Check(!request.BuildGetRequest(query));
        for (int32_t rows : {0, 3, TSNMPRequestItem::MaxTableRows + 1}) {
            snmp::TSnmpMessage rowsQuery = query;
            const bool built = request.BuildTableRequest(rows, rowsQuery);
            Check(!built || (rows >= 1 && rows <= TSNMPRequestItem::MaxTableRows));
            Check(rowsQuery.Pdu.VarBinds.size() <= query.Pdu.VarBinds.size() + size_t(rows));
        }
        request.BuildTableRequest(3, query);
    }
    // The query as it would be sent; an OID the file made up must only fail the encoding.
    std::string datagram;
    snmp::EncodeCommunityMessage(snmp::SnmpVersion2c, "public", query.Pdu, datagram);
    EchoReply(query, reply);
    TSNMP_Device::ReadTableSize(request.OidCounter, reply, -1);
    Check(device.ProcessReply(request, query, reply, nullptr, received));
    if (request.Kind == TSNMPRequestItem::KindOidsTable) {
        Check(received.Count() == request.Items.Count()); // one value per variable
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TSNMPDeviceList list;
    std::string error;
    const bool loaded = list.LoadFromText(text, error);
    Check(loaded == error.empty());
    Check(error == list.LoadError);

    static TSNMP_Device* device = new TSNMP_Device(); // one for the process, as in a thread
    int32_t requests = 0;
    for (int32_t t = 0; t < list.Count(); ++t) {
        const TSNMPDeviceUnit* type = list.Item(t);
        Check(!type->DeviceName.empty());
        // The first type of that name (ASCII case ignored) is found, never a later one.
        const TSNMPDeviceUnit* found = list.FindDeviceType(type->DeviceName);
        bool earlier = false;
        for (int32_t i = 0; i <= t && !earlier; ++i) {
            earlier = found == list.Item(i);
        }
        Check(earlier && AsciiLower(found->DeviceName) == AsciiLower(type->DeviceName));
        for (int32_t r = 0; r < type->Requests.Count() && requests < 64; ++r, ++requests) {
            RunRequest(*device, *type->Requests.Item(r));
        }
    }
    return 0;
}
