// The SNMP connection: ICMP check on open, the poll's token handed back on read.
#include "core/snmpproto/SnmpConnection.h"

#include "core/errors/TerminalData.h"
#include "core/icmp/PingHost.h"
#include "core/snmpproto/SnmpProtocolTexts.h"
#include "core/xml/TextValues.h"

namespace {

// The property readers of the list are not const; these read the same way.
std::string TextProperty(const TDevicePropertyList& properties, const std::string& name,
                         const std::string& def) {
    const TDevicePropertyItem* item = properties.FindProperty(name);
    return item != nullptr ? item->Value : def;
}

int32_t IntProperty(const TDevicePropertyList& properties, const std::string& name, int32_t def) {
    const TDevicePropertyItem* item = properties.FindProperty(name);
    int32_t value = def;
    return item != nullptr && TryTextToInt32(item->Value, value) ? value : def;
}

bool BoolProperty(const TDevicePropertyList& properties, const std::string& name, bool def) {
    const TDevicePropertyItem* item = properties.FindProperty(name);
    bool value = def;
    return item != nullptr && TryTextToBool(item->Value, value) ? value : def;
}

void AddLine(TTerminalDataClass* terminal, const std::string& line) {
    if (terminal != nullptr) {
        terminal->Add(line);
    }
}

} // namespace

TSNMPConnection::TSNMPConnection(const TDevicePropertyList& properties)
    : IPAddress(TextProperty(properties, "DeviceIPAddress", "")),
      PingTimeout(IntProperty(properties, "PINGTimeOut", 500)),
      UseIcmp(BoolProperty(properties, "ICMPOnConnect", true)) {}

TSNMPConnection::~TSNMPConnection() {
    Close(nullptr);
}

void TSNMPConnection::BeginExchange(TTerminalDataClass* terminal) {
    AddLine(terminal, "SNMP request to " + IPAddress);
}

bool TSNMPConnection::MustReconnect(const TDevicePropertyList& /*properties*/) {
    return true;
}

bool TSNMPConnection::CloseAfterExchange() {
    return true;
}

bool TSNMPConnection::CheckLink(TTerminalDataClass* terminal) {
    if (!UseIcmp) {
        return true;
    }
    const TSnmpProtocolTexts& texts = SnmpProtocolTexts();
    if (IPAddress.empty()) {
        AddLine(terminal, texts.NoIpAddress);
        return false;
    }
    // A negative time-out is no time at all rather than a wait of some 49 days.
    const uint32_t timeout = PingTimeout > 0 ? uint32_t(PingTimeout) : 0;
    if (PingHost(IPAddress, timeout) < 0) {
        AddLine(terminal, IPAddress + ": " + texts.IcmpFailed);
        return false;
    }
    AddLine(terminal, IPAddress + ": " + texts.IcmpSucceeded);
    return true;
}

void TSNMPConnection::Open(TTerminalDataClass* terminal) {
    IsConnected = false;
    IsConnected = CheckLink(terminal);
}

bool TSNMPConnection::Close(TTerminalDataClass* terminal) {
    IsConnected = false;
    AddLine(terminal, "Disconnected");
    return true;
}

int32_t TSNMPConnection::Read(int32_t /*timeoutMs*/, std::string& data,
                              TTerminalDataClass* /*terminal*/) {
    data = std::move(Pending);
    Pending.clear();
    return int32_t(data.size());
}

int32_t TSNMPConnection::Write(const std::string& data, TTerminalDataClass* /*terminal*/) {
    Pending = data;
    return int32_t(data.size());
}

bool TSNMPConnection::IsOpen() {
    return IsConnected;
}

TVantorelixConnection* TMyDeviceList::CreateConnection(const TDevicePropertyList& properties) {
    return new TSNMPConnection(properties);
}
