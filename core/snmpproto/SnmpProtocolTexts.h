// The texts of the SNMP device, its connection and its property table, in the code page
// (Windows-1251); logs, terminals and the setup dialogs show them exactly as they stand.
#pragma once

#include <string>
#include <vector>

// Caption and description of one SNMP property (names are matched case-sensitively).
struct TSnmpPropertyText {
    std::string Name;
    std::string Caption;
    std::string Description;
};

struct TSnmpProtocolTexts {
    // Connection (ICMP check).
    std::string NoIpAddress;   // the address is empty
    std::string IcmpFailed;    // after the address and ": "
    std::string IcmpSucceeded; // after the address and ": "
    // Device poll.
    std::string NoRequestList; // the device type is not loaded
    std::string RequestBufferError;
    std::string NotSnmpOrBadReply; // followed by the client's error code
    std::string TableSizeReadError;
    std::string TableConfigError;
    std::string ImpossibleTableSize;
    std::string TableRequestError;
    std::string SnmpRequestError;     // followed by the code
    std::string SnmpDataRequestError; // followed by the code, IndexCaption and the error index
    std::string IndexCaption;         // " Индекс = "
    // Property table.
    std::vector<TSnmpPropertyText> Properties;
};

const TSnmpProtocolTexts& SnmpProtocolTexts();

// The caption and description of an SNMP property, or null for any other name.
const TSnmpPropertyText* FindSnmpPropertyText(const std::string& name);
