// The request configuration loader's messages, in the code page, each converted once from its
// UTF-8 source. The quoted text (element, remainder, whole file) follows each prefix directly.
#pragma once

#include <string>

struct TSnmpRequestTexts {
    std::string FileNotFound;       // "Configuration file not found."
    std::string FileUnreadable;     // the file exists but cannot be read
    std::string XmlError;           // "XML error: " + text
    std::string RootExpected;       // "XML error: snmp_dlm_driver expected: " + root element
    std::string DeviceExpected;     // "snmp_device expected: " + element
    std::string DeviceNameExpected; // "device_name expected: " + element
    std::string NotSnmpRequest;     // "XML: not SNMP request: " + element
    std::string UnknownRequestType; // "Unknown request type: " + element
    std::string NoRequestFile;      // the driver's text when there is no request file at all
};

const TSnmpRequestTexts& SnmpRequestTexts();
