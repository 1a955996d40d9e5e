// The device list and the driver configuration file.
//
// File layout (CR LF line ends, Windows-1251):
//   <SNMP ThreadOnPort="False" ErrorMngrDisabled="False" GeneralCommandInterval="6000"
//         AutoRunServer="-1" CheckServerInterval="60" RAPEnabled="False" RAPPort="6042" >
//      <device>
//         <session DeviceName="..." IPPort="161" ... />      (one attribute per property)
//      </device>
//   </SNMP>
// (the first line is one line in the file; the root name is the driver's GetConfigRootName).
#include "core/driver/DeviceList.h"

#include "core/driver/ConfigurationOptions.h"
#include "core/driver/Driver.h"
#include "core/driver/FileReplace.h"
#include "core/xml/DrvXmlTools.h"
#include "platform/AnsiText.h"
#include "platform/Ticks.h"

#include <cstdio>
#include <string_view>

namespace {

// The start of a refused text, for the error message.
std::string Excerpt(std::string_view text) {
    constexpr size_t Limit = 60;
    return text.size() <= Limit ? std::string(text) : std::string(text.substr(0, Limit)) + "...";
}

const char* TrueFalse(bool value) {
    return value ? "True" : "False";
}

std::string RootLine(const std::string& rootName, const TConfigurationOptions& options) {
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer),
                  " ThreadOnPort=\"%s\" ErrorMngrDisabled=\"%s\" GeneralCommandInterval=\"%d\""
                  " AutoRunServer=\"%s\" CheckServerInterval=\"%d\" RAPEnabled=\"%s\""
                  " RAPPort=\"%d\" >",
                  TrueFalse(options.ThreadOnPort), TrueFalse(options.ErrorMngrDisabled),
                  int(options.GeneralCommandInterval), options.AutoRunServer ? "-1" : "0",
                  int(options.CheckServerInterval), TrueFalse(options.RAPEnabled),
                  int(options.RAPPort));
    return "<" + rootName + buffer;
}

} // namespace

TConfigurationOptions& ConfigurationOptions() {
    static TConfigurationOptions options;
    return options;
}

TDeviceList::TDeviceList(TDriver& driver) : FDriver(driver) {}

TDeviceList::~TDeviceList() {
    Connection.reset();
    FreeAll();
}

void TDeviceList::FreeItem(void* item) {
    delete static_cast<TDeviceListItem*>(item);
}

void TDeviceList::Assign(const TDeviceList& source) {
    if (&source == this) {
        return;
    }
    FreeAll();
    for (int32_t i = 0; i < source.Count(); ++i) {
        auto* item = new TDeviceListItem();
        item->Device.reset(FDriver.CreateDevice());
        item->Device->Assign(source.Device(i));
        item->LastPollTime = platform::Now();
        Insert(item);
    }
}

TDeviceListItem* TDeviceList::AddNewDevice() {
    auto* item = new TDeviceListItem();
    item->Device.reset(FDriver.CreateDevice());
    item->Device->Properties->FillDefaults();
    item->Device->ApplyProperties();
    item->Device->Index = Count();
    Insert(item);
    return item;
}

bool TDeviceList::SaveToFile(const std::string& fileName) {
    LastError.clear();
    const std::string rootName = FDriver.GetConfigRootName();
    TStringList lines;
    lines.push_back(RootLine(rootName, ConfigurationOptions()));
    for (int32_t i = 0; i < Count(); ++i) {
        lines.push_back("   <device>");
        if (!Device(i)->SaveSession("      ", lines)) {
            // Nothing is written: the reader could not read this list back.
            LastError = "device " + std::to_string(i + 1) +
                        " has a property that cannot be stored (a value with '\"' or '>', or an "
                        "unusable name)";
            return false;
        }
        lines.push_back("   </device>");
    }
    lines.push_back("</" + rootName + ">");
    std::string text;
    for (const std::string& line : lines) {
        text.append(line).append("\r\n");
    }
    if (!ReplaceWholeFile(fileName, text)) {
        LastError = "cannot write " + fileName;
        return false;
    }
    return true;
}

// The whole file is refused (list empty, options untouched) when it is not one element of the
// driver's root name. Options are taken from the root before its devices: a foreign element
// among the devices stops loading there, keeping the devices before it; a device whose session
// cannot be loaded empties the list.
bool TDeviceList::LoadFromFile(const std::string& fileName) {
    LastError.clear();
    FreeAll();
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LastError = "cannot read " + fileName;
        return false;
    }
    std::string_view rest = text;
    std::string_view rootText;
    TakeNextElement(rest, rootText);
    TXMLDataItem root;
    if (rootText.empty()) {
        LastError = rest.empty() ? std::string("the file is empty")
                                 : "no complete element at the start of the file: " + Excerpt(rest);
        return false;
    }
    if (!rest.empty()) {
        LastError = "text after the root element: " + Excerpt(rest);
        return false;
    }
    if (!root.Parse(rootText)) {
        LastError = "the root element cannot be parsed: " + Excerpt(rootText);
        return false;
    }
    const std::string rootName = FDriver.GetConfigRootName();
    if (root.Name != rootName) {
        LastError = "the root element is <" + root.Name + ">, expected <" + rootName + ">";
        return false;
    }

    TConfigurationOptions& options = ConfigurationOptions();
    options.ThreadOnPort = root.GetAttributeBool("ThreadOnPort", false);
    options.ErrorMngrDisabled = root.GetAttributeBool("ErrorMngrDisabled", false);
    options.GeneralCommandInterval = root.GetAttributeInt("GeneralCommandInterval", 6000);
    options.AutoRunServer = root.GetAttributeBool("AutoRunServer", true);
    options.CheckServerInterval = root.GetAttributeInt("CheckServerInterval", 60);
    if (FDriver.SupportsRemoteAccess()) {
        options.RAPEnabled = root.GetAttributeBool("RAPEnabled", false);
        const int32_t port = root.GetAttributeInt("RAPPort", 6042);
        options.RAPPort = (port >= 0 && port <= 65535) ? uint16_t(port) : uint16_t(6042);
    }

    std::string_view content = root.Content;
    std::string_view elementText;
    TXMLDataItem element;
    for (;;) {
        TakeNextElement(content, elementText);
        if (elementText.empty()) {
            return true;
        }
        if (!element.Parse(elementText) || platform::AnsiLowerCase(element.Name) != "device") {
            LastError = "element " + std::to_string(Count() + 1) +
                        " inside the root is not a device: " + Excerpt(elementText);
            return false;
        }
        std::unique_ptr<TDevice> device(FDriver.CreateDevice());
        if (!device->LoadSession(element.Content)) {
            LastError = "device " + std::to_string(Count() + 1) + " is empty";
            device.reset();
            FreeAll();
            return false;
        }
        auto* item = new TDeviceListItem();
        item->Device = std::move(device);
        item->LastPollTime = platform::Now();
        item->Device->Index = Count();
        Insert(item);
    }
}

TVantorelixConnection* TDeviceList::CreateConnection(const TDevicePropertyList& /*properties*/) {
    return nullptr;
}

bool TDeviceList::FreeConnection(std::unique_ptr<TVantorelixConnection>& connection) {
    connection.reset();
    return true;
}

bool TDeviceList::CloseConnection() {
    return Connection == nullptr || Connection->Close(nullptr);
}

TDeviceListItem* TDeviceList::FindDevice(const std::string& routingPrefix,
                                         int32_t deviceAddress) const {
    // Prefixes compare as the plug-in binds them: trimmed, letter case ignored.
    const std::string wanted = platform::Trim(routingPrefix);
    for (int32_t i = 0; i < Count(); ++i) {
        TDeviceListItem* item = Item(i);
        if (item->Device->DeviceAddress == deviceAddress &&
            platform::AnsiCompareText(platform::Trim(item->Device->RoutingPrefix), wanted) == 0) {
            return item;
        }
    }
    return nullptr;
}
