// The SNMP request configuration (Plinvar.xml): device types, the ordered requests of each type
// and the variables every request reads, as the loader builds them from the file.
#pragma once

#include "core/collections/Collections.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace snmp {
struct TSnmpMessage;
}

// File notation (read with the element reader of core/xml):
//
//   <snmp_dlm_driver>
//     <snmp_device device_name="default">
//       <snmp_request type="normal">
//         <item name="uptime" oid="1.3.6.1.2.1.1.3.0" vx_address="1" defvalue="0"
//               expression="%VALUE%*0.01"/>
//       </snmp_request>
//       <snmp_request type="values_table" oid_counter="1.3.6.1.2.1.2.1.0">...</snmp_request>
//       <snmp_request type="oids_table" oid_counter="..." oid_mask="1.3.6.1.2.1.2.2.1.3.%d">
//     </snmp_device>
//   </snmp_dlm_driver>
//
// Element names and request kinds are matched without regard to ASCII case, attribute names
// exactly. Every child of a request is a variable whatever its name. Comments may stand before
// the root and before or after any child; after the root only blanks may follow.
//
// OIDs read from the file ("oid", "oid_counter", "oid_mask") are kept without a leading dot,
// the form the SNMP client reports OIDs and OID values in, so that comparisons with a reply
// (table size variable, "oids_table" search) work whichever way the file writes them.
//
// Sharing: the loaded configuration is read by every polling thread at once and never changed
// after loading. The variables' CurrentValue is working state of one poll; it stays empty in
// the shared configuration. A poll copies the request it executes (the copy constructor of
// TSNMPRequestItem copies its variables) and works on the copy, so devices of one type served
// by different threads never share working values. The process-wide instance is handed out as
// a pointer to const (RequestConfiguration.h), which leaves ResetValues no way to touch it.

// One variable of a request.
struct TRequestItemStruct {
    std::string Name;         // a label for people; not used by polling
    std::string Oid;          // "normal": the OID; "values_table": the row template with %d;
                              // "oids_table": an OID value to look for in the table column
    int32_t TsAddress = -1;   // tag address that receives the value
    std::string CurrentValue; // value text of the running poll (working copies only)
    std::string DefValue = "0";
    std::string Expression; // conversion formula with %VALUE%; empty: none
};

// The variables of a request in file order: the position is the place in the SNMP request.
class TRequestItemsList : public TOwnedArray<TRequestItemStruct> {
public:
    TRequestItemsList() = default;
    // A deep copy: the working copy of a poll.
    TRequestItemsList(const TRequestItemsList& other);
    TRequestItemsList& operator=(const TRequestItemsList&) = delete;

    // Appends the variables among content's children. error is empty on success.
    bool LoadFromXml(std::string_view content, std::string& error);

    // First variable whose Oid equals oid without regard to ASCII case; null when none.
    const TRequestItemStruct* FindByOid(std::string_view oid) const;
    TRequestItemStruct* FindByOid(std::string_view oid);

    // Null outside 0 .. Count() - 1.
    const TRequestItemStruct* Item(int32_t index) const { return ItemAt(index); }
    TRequestItemStruct* Item(int32_t index) { return ItemAt(index); }

private:
    using TOwnedArray<TRequestItemStruct>::ItemAt; // use Item, which keeps const-ness
};

// One request: executed in the polling step equal to its position in the device type.
class TSNMPRequestItem {
public:
    enum : uint8_t {
        KindNormal = 0,      // one GET of all variables
        KindOidsTable = 1,   // a column of OID values, searched for the variables' OIDs
        KindValuesTable = 2, // row count, then one variable per row
    };
    // Above this a table size is impossible; the poll refuses it before building rows.
    static constexpr int32_t MaxTableRows = 1024;

    TSNMPRequestItem() = default;
    TSNMPRequestItem(const TSNMPRequestItem& other) = default; // deep: the working copy
    TSNMPRequestItem& operator=(const TSNMPRequestItem&) = delete;

    // One "snmp_request" element. error is empty on success.
    bool LoadFromXml(std::string_view text, std::string& error);

    // Every variable's CurrentValue := its DefValue (start of every execution).
    void ResetValues();
    // "normal" only: every variable (Oid, DefValue, null type) in order. False for another
    // kind or at a variable without OID; the variables added before it stay in the query.
    bool BuildGetRequest(snmp::TSnmpMessage& query) const;
    // Table kinds with an OidCounter: adds (OidCounter, "0", null type).
    bool BuildSizeRequest(snmp::TSnmpMessage& query) const;
    // The rows 1 .. rowCount: "oids_table" rows from OidMask with an empty value; "values_table"
    // row r from the template of variable r - 1 with its DefValue (rows without a variable are
    // left out). False for a rowCount outside 1 .. MaxTableRows, a "normal" request, a missing
    // OidMask, a variable without OID, or a template that cannot take the row number.
    bool BuildTableRequest(int32_t rowCount, snmp::TSnmpMessage& query) const;

    uint8_t Kind = KindNormal;
    std::string OidCounter; // table kinds: the variable holding the number of rows
    std::string OidMask;    // "oids_table": column OID template with %d for the row
    TRequestItemsList Items;
};

// The requests of a device type in file order: the position is the polling step.
class TSNMPRequestList : public TOwnedArray<TSNMPRequestItem> {
public:
    // Appends the "snmp_request" children of content. error is empty on success.
    bool LoadFromXml(std::string_view content, std::string& error);

    const TSNMPRequestItem* Item(int32_t index) const { return ItemAt(index); }
    TSNMPRequestItem* Item(int32_t index) { return ItemAt(index); }

private:
    using TOwnedArray<TSNMPRequestItem>::ItemAt;
};

// One device type: what every device whose RequestType names it reads.
class TSNMPDeviceUnit {
public:
    // One "snmp_device" element. error is empty on success.
    bool LoadFromXml(std::string_view text, std::string& error);

    std::string DeviceName;
    TSNMPRequestList Requests;
};

// The whole configuration: device types in file order.
class TSNMPDeviceList : public TOwnedArray<TSNMPDeviceUnit> {
public:
    // "Configuration file not found." when the file does not exist; otherwise the whole file
    // goes to LoadFromText. error (and LoadError) is empty on success.
    bool LoadFromFile(const std::string& fileName, std::string& error);
    // Appends the device types of the root element. A failure keeps the device types loaded
    // completely before the failing one; the failing one is discarded with its requests.
    bool LoadFromText(std::string_view text, std::string& error);

    // First device type whose DeviceName equals name without regard to ASCII case.
    const TSNMPDeviceUnit* FindDeviceType(std::string_view name) const;

    const TSNMPDeviceUnit* Item(int32_t index) const { return ItemAt(index); }
    TSNMPDeviceUnit* Item(int32_t index) { return ItemAt(index); }

    // The error text of the last load; empty after a successful one.
    std::string LoadError;

private:
    using TOwnedArray<TSNMPDeviceUnit>::ItemAt;
};
