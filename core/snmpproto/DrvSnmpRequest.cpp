// The request configuration loader. Each level cuts its children out of the parent's content
// with the element reader and stops at the first failure, whose message quotes the text that
// failed: the element, the text left over, or (for the root) the whole file.
#include "core/snmpproto/DrvSnmpRequest.h"

#include "core/snmpproto/RequestTexts.h"
#include "core/xml/DrvXmlTools.h"
#include "core/xml/TextValues.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>

namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameAsciiText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// The client reports OIDs without the leading dot that configurations often carry.
std::string WithoutLeadingDot(std::string text) {
    if (!text.empty() && text.front() == '.') {
        text.erase(0, 1);
    }
    return text;
}

bool Fail(std::string& error, const std::string& prefix, std::string_view quoted) {
    error.assign(prefix).append(quoted);
    return false;
}

} // namespace

// ---- variables -------------------------------------------------------------------------

TRequestItemsList::TRequestItemsList(const TRequestItemsList& other)
    : TOwnedArray<TRequestItemStruct>(other.Count() + 1) {
    for (int32_t i = 0; i < other.Count(); ++i) {
        Insert(new TRequestItemStruct(*other.Item(i)));
    }
}

bool TRequestItemsList::LoadFromXml(std::string_view content, std::string& error) {
    const TSnmpRequestTexts& texts = SnmpRequestTexts();
    error.clear();
    std::string_view rest = content;
    TXMLDataItem item;
    for (;;) {
        std::string_view element;
        TakeNextElement(rest, element);
        if (element.empty()) {
            break;
        }
        if (!item.Parse(element)) {
            return Fail(error, texts.XmlError, element);
        }
        auto variable = std::make_unique<TRequestItemStruct>();
        variable->Name = item.GetAttribute("name", "");
        variable->Oid = WithoutLeadingDot(item.GetAttribute("oid", ""));
        variable->DefValue = item.GetAttribute("defvalue", "0");
        variable->TsAddress = item.GetAttributeInt("vx_address", -1);
        variable->Expression = item.GetAttribute("expression", "");
        Insert(variable.release());
    }
    rest = TrimBlanks(rest);
    if (!rest.empty()) {
        return Fail(error, texts.XmlError, rest);
    }
    return true;
}

const TRequestItemStruct* TRequestItemsList::FindByOid(std::string_view oid) const {
    for (int32_t i = 0; i < Count(); ++i) {
        const TRequestItemStruct* variable = Item(i);
        if (SameAsciiText(variable->Oid, oid)) {
            return variable;
        }
    }
    return nullptr;
}

TRequestItemStruct* TRequestItemsList::FindByOid(std::string_view oid) {
    return const_cast<TRequestItemStruct*>(std::as_const(*this).FindByOid(oid));
}

// ---- requests --------------------------------------------------------------------------

bool TSNMPRequestItem::LoadFromXml(std::string_view text, std::string& error) {
    const TSnmpRequestTexts& texts = SnmpRequestTexts();
    std::string_view rest = TrimBlanks(text);
    if (rest.empty()) {
        return Fail(error, texts.XmlError, rest);
    }
    std::string_view element;
    TakeNextElement(rest, element);
    rest = TrimBlanks(rest);
    if (!rest.empty()) {
        return Fail(error, texts.XmlError, rest);
    }
    TXMLDataItem item;
    if (!item.Parse(element)) {
        return Fail(error, texts.XmlError, element);
    }
    if (!SameAsciiText(item.Name, "snmp_request")) {
        return Fail(error, texts.NotSnmpRequest, element);
    }
    const std::string type = item.GetAttribute("type", "normal");
    if (SameAsciiText(type, "normal")) {
        Kind = KindNormal;
    } else if (SameAsciiText(type, "oids_table")) {
        Kind = KindOidsTable;
    } else if (SameAsciiText(type, "values_table")) {
        Kind = KindValuesTable;
    } else {
        return Fail(error, texts.UnknownRequestType, element);
    }
    // Whether a table kind has what it needs is found when the request is executed.
    OidCounter = WithoutLeadingDot(item.GetAttribute("oid_counter", ""));
    OidMask = WithoutLeadingDot(item.GetAttribute("oid_mask", ""));
    return Items.LoadFromXml(item.Content, error);
}

void TSNMPRequestItem::ResetValues() {
    for (int32_t i = 0; i < Items.Count(); ++i) {
        TRequestItemStruct* variable = Items.Item(i);
        variable->CurrentValue = variable->DefValue;
    }
}

bool TSNMPRequestList::LoadFromXml(std::string_view content, std::string& error) {
    std::string_view rest = content;
    for (;;) {
        std::string_view element;
        TakeNextElement(rest, element);
        if (element.empty()) {
            break;
        }
        auto request = std::make_unique<TSNMPRequestItem>();
        std::string requestError;
        if (!request->LoadFromXml(element, requestError)) {
            error = std::move(requestError);
            return false;
        }
        Insert(request.release());
    }
    rest = TrimBlanks(rest);
    if (!rest.empty()) {
        return Fail(error, SnmpRequestTexts().XmlError, rest);
    }
    error.clear();
    return true;
}

// ---- device types ----------------------------------------------------------------------

bool TSNMPDeviceUnit::LoadFromXml(std::string_view text, std::string& error) {
    const TSnmpRequestTexts& texts = SnmpRequestTexts();
    const std::string_view element = TrimBlanks(text);
    if (element.empty()) {
        return Fail(error, texts.XmlError, text);
    }
    TXMLDataItem item;
    if (!item.Parse(element)) {
        return Fail(error, texts.XmlError, text);
    }
    if (!SameAsciiText(item.Name, "snmp_device")) {
        return Fail(error, texts.DeviceExpected, text);
    }
    DeviceName = item.GetAttribute("device_name", "");
    if (DeviceName.empty()) {
        return Fail(error, texts.DeviceNameExpected, text);
    }
    return Requests.LoadFromXml(item.Content, error);
}

bool TSNMPDeviceList::LoadFromText(std::string_view text, std::string& error) {
    const TSnmpRequestTexts& texts = SnmpRequestTexts();
    auto finish = [&](bool ok) {
        if (ok) {
            error.clear();
        }
        LoadError = error;
        return ok;
    };
    std::string_view rest = text;
    std::string_view rootText;
    TakeNextElement(rest, rootText);
    if (!TrimBlanks(rest).empty()) {
        return finish(Fail(error, texts.XmlError, text));
    }
    TXMLDataItem root;
    if (!root.Parse(rootText)) {
        return finish(Fail(error, texts.XmlError, rootText));
    }
    if (!SameAsciiText(root.Name, "snmp_dlm_driver")) {
        return finish(Fail(error, texts.RootExpected, rootText));
    }
    std::string_view content = root.Content;
    for (;;) {
        std::string_view element;
        TakeNextElement(content, element);
        if (element.empty()) {
            break;
        }
        auto unit = std::make_unique<TSNMPDeviceUnit>();
        std::string unitError;
        if (!unit->LoadFromXml(element, unitError)) {
            error = std::move(unitError);
            return finish(false);
        }
        Insert(unit.release());
    }
    content = TrimBlanks(content);
    if (!content.empty()) {
        return finish(Fail(error, texts.XmlError, content));
    }
    return finish(true);
}

bool TSNMPDeviceList::LoadFromFile(const std::string& fileName, std::string& error) {
    const TSnmpRequestTexts& texts = SnmpRequestTexts();
    std::error_code failure;
    if (!std::filesystem::exists(fileName, failure)) {
        error = texts.FileNotFound;
        LoadError = error;
        return false;
    }
    // A directory, a file without read permission or a failing read must not pass for an
    // empty configuration, and a pipe or device must not stall the start-up: only a regular
    // file is read. istream::read turns a read error into badbit instead of throwing.
    std::ifstream in;
    if (std::filesystem::is_regular_file(fileName, failure)) {
        in.open(fileName, std::ios::binary);
    }
    std::string text;
    while (in.is_open() && in) {
        char chunk[64 * 1024];
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<size_t>(in.gcount()));
    }
    if (!in.is_open() || in.bad()) {
        error = texts.FileUnreadable;
        LoadError = error;
        return false;
    }
    return LoadFromText(text, error);
}

const TSNMPDeviceUnit* TSNMPDeviceList::FindDeviceType(std::string_view name) const {
    for (int32_t i = 0; i < Count(); ++i) {
        const TSNMPDeviceUnit* unit = Item(i);
        if (SameAsciiText(unit->DeviceName, name)) {
            return unit;
        }
    }
    return nullptr;
}
