// The request configuration's messages. Users and installed tools read them in logs, so they
// stay exactly as the driver has always written them.
#include "core/snmpproto/RequestTexts.h"

#include "platform/AnsiText.h"

const TSnmpRequestTexts& SnmpRequestTexts() {
    static const TSnmpRequestTexts texts = [] {
        TSnmpRequestTexts t;
        t.FileNotFound = "Configuration file not found.";
        t.FileUnreadable = "Configuration file cannot be read.";
        t.XmlError = "XML error: ";
        t.RootExpected = "XML error: snmp_dlm_driver expected: ";
        t.DeviceExpected = "snmp_device expected: ";
        t.DeviceNameExpected = "device_name expected: ";
        t.NotSnmpRequest = "XML: not SNMP request: ";
        t.UnknownRequestType = "Unknown request type: ";
        t.NoRequestFile = platform::Utf8ToAnsi("SNMP: Нет конфигурационного файла.");
        return t;
    }();
    return texts;
}
