// TSNMP_Property: the property table of an SNMP device: the generic network properties without
// the serial-line ones, plus communities, protocol version, SNMPv3 security and device type.
#pragma once

#include "core/driver/DeviceProperties.h"

// The SNMP properties are appended after RS232Port, which stays in the table (it selects the
// polling thread) although an SNMP device has no serial line. Names of the SNMP properties are
// matched exactly (case-sensitive). Every override runs the generic operation first, so the
// generic properties keep their generic behaviour.
class TSNMP_Property : public TDevicePropertyList {
public:
    // The generic table with the SNMP answers of GetDefaultValue, without RS232BaudRate,
    // RS232StopBits, RS232ByteSize and RS232Parity, then the ten SNMP properties.
    void FillDefaults() override;
    // "SNMP", "SNMP device" and "161" replace the generic defaults of RoutingPrefix,
    // DeviceName and IPPort; RequestType has an empty default (a new device starts with
    // "default"), the communities none of their own.
    std::string GetDefaultValue(const std::string& name) override;
    // The choice lists of SNMPVersion, SNMPv3_Flag, V3Auth, V3Priv and RequestType (the device
    // types of the loaded request configuration, none when it is not loaded); true for every
    // SNMP property.
    bool GetEditInfo(const std::string& name, int32_t& minimum, TStringList* choices, uint8_t& kind,
                     int32_t& maximum) override;
    // The list properties store and show the choice text itself.
    std::string ListChoiceToValue(const std::string& name, const TStringList& choices,
                                  int32_t index) override;
    std::string ValueToDisplay(const std::string& name, const std::string& value) override;
    bool GetCaption(const std::string& name, std::string& caption) override;
    bool GetDescription(const std::string& name, std::string& description) override;
};
