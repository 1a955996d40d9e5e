// The SNMP device's property table, its choice lists, captions and descriptions.
#include "core/snmpproto/SnmpProperty.h"

#include "core/snmpproto/RequestConfiguration.h"
#include "core/snmpproto/SnmpProtocolTexts.h"
#include "platform/AnsiText.h"

#include <array>

namespace {

struct TSnmpPropertyRow {
    const char* Name;
    const char* Value; // the value of a new device
    uint8_t Kind;
};

// Appended in this order after the generic table.
constexpr std::array<TSnmpPropertyRow, 10> SnmpProperties{{
    {"GETCommunity", "tarnov", PropertyText},
    {"SETCommunity", "gemsolt", PropertyText},
    {"SNMPVersion", "SNMPv1", PropertyChoice},
    {"SNMP_V3_UserName", "", PropertyText},
    {"SNMP_V3_Password", "", PropertyText},
    {"SNMPv3_Privacy_Password", "", PropertyText},
    {"SNMPv3_Flag", "NoAuthNoPriv", PropertyChoice},
    {"V3Auth", "AuthMD5", PropertyChoice},
    {"V3Priv", "PrivDES", PropertyChoice},
    {"RequestType", "default", PropertyChoice},
}};

constexpr std::array<const char*, 4> SerialProperties{"RS232BaudRate", "RS232StopBits",
                                                      "RS232ByteSize", "RS232Parity"};

const TStringList Versions{"SNMPv1", "SNMPv2c", "SNMPv3"};
const TStringList SecurityFlags{"NoAuthNoPriv", "AuthNoPriv", "AuthPriv"};
const TStringList AuthModes{"AuthMD5", "AuthSHA1"};
const TStringList PrivModes{"PrivDES", "Priv3DES", "PrivAES"};

bool IsFreeText(const std::string& name) {
    return name == "GETCommunity" || name == "SETCommunity" || name == "SNMP_V3_UserName" ||
           name == "SNMP_V3_Password" || name == "SNMPv3_Privacy_Password";
}

bool IsChoice(const std::string& name) {
    return name == "SNMPVersion" || name == "SNMPv3_Flag" || name == "V3Auth" || name == "V3Priv" ||
           name == "RequestType";
}

TStringList DeviceTypeNames() {
    TStringList names;
    if (const TSNMPDeviceList* configuration = RequestConfiguration.get()) {
        for (int32_t i = 0; i < configuration->Count(); ++i) {
            names.push_back(configuration->Item(i)->DeviceName);
        }
    }
    return names;
}

} // namespace

void TSNMP_Property::FillDefaults() {
    TDevicePropertyList::FillDefaults();
    for (const char* name : SerialProperties) {
        DeleteProperty(name);
    }
    for (const auto& row : SnmpProperties) {
        SetProperty(row.Name, row.Value, row.Kind);
    }
}

std::string TSNMP_Property::GetDefaultValue(const std::string& name) {
    std::string value = TDevicePropertyList::GetDefaultValue(name);
    if (name == "RoutingPrefix") {
        return "SNMP";
    }
    if (name == "DeviceName") {
        return "SNMP device";
    }
    if (name == "IPPort") {
        return "161";
    }
    if (name == "SNMPVersion") {
        return "SNMPv1";
    }
    if (name == "SNMPv3_Flag") {
        return "NoAuthNoPriv";
    }
    if (name == "V3Auth") {
        return "AuthMD5";
    }
    if (name == "V3Priv") {
        return "PrivDES";
    }
    if (name == "RequestType" || name == "SNMP_V3_UserName" || name == "SNMP_V3_Password" ||
        name == "SNMPv3_Privacy_Password") {
        return {};
    }
    return value;
}

bool TSNMP_Property::GetEditInfo(const std::string& name, int32_t& minimum, TStringList* choices,
                                 uint8_t& kind, int32_t& maximum) {
    const bool known = TDevicePropertyList::GetEditInfo(name, minimum, choices, kind, maximum);
    if (IsFreeText(name)) {
        minimum = 0;
        maximum = 1;
        return true;
    }
    if (!IsChoice(name)) {
        return known;
    }
    if (choices != nullptr) {
        if (name == "SNMPVersion") {
            *choices = Versions;
        } else if (name == "SNMPv3_Flag") {
            *choices = SecurityFlags;
        } else if (name == "V3Auth") {
            *choices = AuthModes;
        } else if (name == "V3Priv") {
            *choices = PrivModes;
        } else {
            *choices = DeviceTypeNames();
        }
        minimum = 0;
        maximum = int32_t(choices->size()) - 1;
    }
    return true;
}

std::string TSNMP_Property::ListChoiceToValue(const std::string& name, const TStringList& choices,
                                              int32_t index) {
    std::string value = TDevicePropertyList::ListChoiceToValue(name, choices, index);
    if (IsChoice(platform::Trim(name))) {
        return index >= 0 && size_t(index) < choices.size() ? choices[size_t(index)]
                                                            : std::string();
    }
    return value;
}

std::string TSNMP_Property::ValueToDisplay(const std::string& name, const std::string& value) {
    std::string display = TDevicePropertyList::ValueToDisplay(name, value);
    return IsChoice(platform::Trim(name)) ? value : display;
}

bool TSNMP_Property::GetCaption(const std::string& name, std::string& caption) {
    const bool known = TDevicePropertyList::GetCaption(name, caption);
    if (const TSnmpPropertyText* text = FindSnmpPropertyText(name)) {
        caption = text->Caption;
        return true;
    }
    return known;
}

bool TSNMP_Property::GetDescription(const std::string& name, std::string& description) {
    const bool known = TDevicePropertyList::GetDescription(name, description);
    if (const TSnmpPropertyText* text = FindSnmpPropertyText(name)) {
        description = text->Description;
        return true;
    }
    return known;
}
