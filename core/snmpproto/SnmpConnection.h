// TSNMPConnection: the connection of an SNMP device, which carries no traffic of its own: it
// checks by ICMP echo that the device is reachable, then hands the poll's token back.
#pragma once

#include "core/driver/Connection.h"
#include "core/driver/DeviceList.h"

#include <cstdint>
#include <string>

// The SNMP device sends and receives its own datagrams through its SNMP client. The polling
// cycle still writes a request frame ("REQ_OK") for every step and reads an answer back before
// it lets the device parse; the frame only travels through Pending. The connection lives for
// one poll: created from the polled device's properties, opened (the ICMP check), closed at the
// end of the poll and released before the next one. One polling thread uses it.
class TSNMPConnection : public TVantorelixConnection {
public:
    // IPAddress from DeviceIPAddress, PingTimeout from PINGTimeOut (500), UseIcmp from
    // ICMPOnConnect (true).
    explicit TSNMPConnection(const TDevicePropertyList& properties);
    ~TSNMPConnection() override;

    // Logs "SNMP request to " and the address.
    void BeginExchange(TTerminalDataClass* terminal) override;
    // Always true: the connection is made again for every device.
    bool MustReconnect(const TDevicePropertyList& properties) override;
    bool CloseAfterExchange() override;
    // With UseIcmp: one echo to IPAddress within PingTimeout; true without UseIcmp.
    bool CheckLink(TTerminalDataClass* terminal) override;
    // IsConnected := CheckLink.
    void Open(TTerminalDataClass* terminal) override;
    bool Close(TTerminalDataClass* terminal) override;
    // Hands back what the last Write left (the timeout is not used); 0 when nothing is left.
    int32_t Read(int32_t timeoutMs, std::string& data, TTerminalDataClass* terminal) override;
    int32_t Write(const std::string& data, TTerminalDataClass* terminal) override;
    bool IsOpen() override;

    bool IsConnected = false;
    std::string IPAddress;
    int32_t PingTimeout = 500; // ms
    bool UseIcmp = true;
    std::string Pending; // the last frame written, not read back yet
};

// The device list of the SNMP driver: its connections are SNMP connections.
class TMyDeviceList : public TDeviceList {
public:
    using TDeviceList::TDeviceList;

    TVantorelixConnection* CreateConnection(const TDevicePropertyList& properties) override;
};
