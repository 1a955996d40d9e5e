// Shared parts of the SNMP polling tests.
#include "tests/core/snmpproto/SnmpTestWorld.h"

#include "core/snmpproto/RequestConfiguration.h"

#include <algorithm>

void InstallRequests(const std::string& xml) {
    auto list = std::make_unique<TSNMPDeviceList>();
    std::string error;
    EXPECT_TRUE(list->LoadFromText(xml, error)) << error;
    RequestConfiguration = std::move(list);
}

TTagSpec NumericTag(const std::string& prefix, int32_t address, float bound1, float bound2,
                    float scale, bool invert) {
    TTagSpec tag;
    tag.Name = prefix + "_" + std::to_string(address);
    tag.Routing = prefix + ": DEVICE=1; ADDRESS=" + std::to_string(address);
    tag.Bound1 = bound1;
    tag.Bound2 = bound2;
    tag.Scale = scale;
    tag.Invert = invert;
    return tag;
}

std::vector<std::pair<int32_t, float>> Queued(const TReceiveVariables& received) {
    std::vector<std::pair<int32_t, float>> values;
    for (int32_t i = 0; i < received.Count(); ++i) {
        values.emplace_back(received.Item(i)->Address, received.Item(i)->Value);
    }
    return values;
}

void TSnmpWorld::TearDown() {
    Devices.FreeAll();
    Block.reset();
    ReleaseRequestConfiguration();
    DriverOptions().TerminalTextMode = false;
}

void TSnmpWorld::MakeBlock(const std::vector<TTagSpec>& tags) {
    Block = std::make_unique<TTestBlock>(tags);
    Block->BuildIndex();
}

TSNMP_Device*
TSnmpWorld::AddDevice(TMyDeviceList& list,
                      const std::vector<std::pair<std::string, std::string>>& properties) {
    auto* device = static_cast<TSNMP_Device*>(list.AddNewDevice()->Device.get());
    Set(device, "DeviceName", "SNMP agent");
    Set(device, "DeviceIPAddress", "127.0.0.1");
    Set(device, "RoutingPrefix", "SNMP1");
    Set(device, "ICMPOnConnect", "FALSE");
    Set(device, "RetryCount", "0");
    Set(device, "ReqwestInterval", "0");
    Set(device, "GETCommunity", "public");
    Set(device, "SNMPVersion", "SNMPv2c");
    for (const auto& [name, value] : properties) {
        Set(device, name, value);
    }
    return device;
}

void TSnmpWorld::Set(TSNMP_Device* device, const std::string& name, const std::string& value) {
    TDevicePropertyItem* item = device->Properties->FindProperty(name);
    ASSERT_NE(item, nullptr) << name;
    item->Value = value;
    device->ApplyProperties();
}

std::vector<std::string> TSnmpWorld::TerminalLines(const TSNMP_Device* device) {
    return Lines(device->RequestTerminal.GetText());
}

bool TSnmpWorld::HasLine(const TSNMP_Device* device, const std::string& line) {
    const auto lines = TerminalLines(device);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}
