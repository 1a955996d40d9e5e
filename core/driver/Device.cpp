// Device settings from the property list and the "session" element of the configuration file.
#include "core/driver/Device.h"

#include "core/polling/ImitatorVariables.h"

#include "core/xml/DrvXmlTools.h"
#include "core/xml/TextValues.h"
#include "platform/AnsiText.h"

#include <string_view>

namespace {

constexpr size_t ShortTextLength = 255;

// Attribute names the reader gives back unchanged: no blanks at the ends (trimmed away), no
// '=' (ends the name), no '>' (ends the element), not empty.
bool IsPlainAttributeName(std::string_view name) {
    return !name.empty() && TrimBlanks(name).size() == name.size() &&
           name.find_first_of("=>\"") == std::string_view::npos;
}

// A value between double quotes: a '"' would end it early and a '>' would end the element.
bool IsWritableValue(std::string_view value) {
    return value.find_first_of("\">") == std::string_view::npos;
}

int32_t IntOr(const std::string& text, int32_t fallback) {
    int32_t value = fallback;
    return TryTextToInt32(text, value) ? value : fallback;
}

bool BoolOr(const std::string& text, bool fallback) {
    bool value = fallback;
    return TryTextToBool(text, value) ? value : fallback;
}

bool SameName(std::string_view a, std::string_view b) {
    return platform::AnsiCompareText(a, b) == 0;
}

} // namespace

TDevice::TDevice() : Properties(CreatePropertyList()) {}

TDevice::~TDevice() = default;

void TDevice::Assign(const TDevice* source) {
    if (source == nullptr) {
        return;
    }
    Index = source->Index;
    Properties->Assign(*source->Properties);
    ApplyProperties();
}

TDevicePropertyList* TDevice::CreatePropertyList() {
    auto* list = new TDevicePropertyList();
    list->FillDefaults();
    return list;
}

bool TDevice::SaveSession(const std::string& indent, TStringList& lines) {
    std::string line = indent + "<session ";
    for (int32_t i = 0; i < Properties->Count(); ++i) {
        const TDevicePropertyItem* item = Properties->Item(i);
        if (!IsPlainAttributeName(item->Name) || !IsWritableValue(item->Value)) {
            return false;
        }
        line.append(item->Name).append("=\"").append(item->Value).append("\" ");
    }
    line += "/>";
    lines.push_back(std::move(line));
    return true;
}

bool TDevice::LoadSession(const std::string& text) {
    Properties->FillDefaults();
    if (text.empty()) {
        return false;
    }
    std::string_view rest = text;
    std::string_view element;
    TXMLDataItem session;
    for (;;) {
        TakeNextElement(rest, element);
        if (element.empty()) {
            break;
        }
        if (!session.Parse(element) || platform::AnsiLowerCase(session.Name) != "session") {
            continue;
        }
        for (int32_t i = 0; i < Properties->Count(); ++i) {
            TDevicePropertyItem* item = Properties->Item(i);
            item->Value = session.GetAttribute(item->Name, item->Value);
        }
    }
    ApplyProperties();
    return true;
}

void TDevice::ApplyProperties() {
    BlockTagIndex = -1;
    for (int32_t i = 0; i < Properties->Count(); ++i) {
        const TDevicePropertyItem* item = Properties->Item(i);
        const std::string& name = item->Name;
        const std::string& value = item->Value;
        if (SameName(name, "DeviceName")) {
            DeviceName = value.substr(0, ShortTextLength);
        } else if (SameName(name, "DeviceIPAddress")) {
            DeviceIPAddress = value.substr(0, ShortTextLength);
        } else if (SameName(name, "DeviceAddress")) {
            DeviceAddress = IntOr(value, -1);
        } else if (SameName(name, "IPPort")) {
            IPPort = IntOr(value, 0);
        } else if (SameName(name, "TimeOut")) {
            TimeOut = IntOr(value, 1000);
        } else if (SameName(name, "RetryCount")) {
            RetryCount = IntOr(value, 3);
        } else if (SameName(name, "Enabled")) {
            Enabled = BoolOr(value, false);
        } else if (SameName(name, "RoutingPrefix")) {
            RoutingPrefix = value;
        } else if (SameName(name, "ReqwestInterval")) {
            ReqwestInterval = IntOr(value, 1000);
        } else if (SameName(name, "VarConnectStateName")) {
            VarConnectStateName = value;
        } else if (SameName(name, "CommandStateName")) {
            CommandStateName = value;
        } else if (SameName(name, "VarBlockCommand")) {
            VarBlockCommand = platform::Trim(value);
        } else if (SameName(name, "RS232Port")) {
            RS232Port = value;
        } else if (SameName(name, "RS232BaudRate")) {
            RS232BaudRate = IntOr(value, 9600);
        } else if (SameName(name, "RS232StopBits")) {
            RS232StopBits = static_cast<uint8_t>(IntOr(value, 0));
        } else if (SameName(name, "RS232ByteSize")) {
            RS232ByteSize = static_cast<uint8_t>(IntOr(value, 8));
        } else if (SameName(name, "RS232Parity")) {
            RS232Parity = static_cast<uint8_t>(IntOr(value, 0));
        }
    }
}
