// TVantorelixConnection: the abstract transport a device's messages travel over. One belongs
// to each polling thread's device list and serves all its devices in turn.
#pragma once

#include <cstdint>
#include <string>

class TDevicePropertyList;
class TTerminalDataClass;

// A concrete connection reads what it needs from the device property list it is created with.
// "terminal" may be null everywhere: nothing is logged then.
class TVantorelixConnection {
public:
    TVantorelixConnection() = default;
    virtual ~TVantorelixConnection() = default;

    TVantorelixConnection(const TVantorelixConnection&) = delete;
    TVantorelixConnection& operator=(const TVantorelixConnection&) = delete;

    virtual void BeginExchange(TTerminalDataClass* /*terminal*/) {}
    // True when the open connection cannot serve the device with these properties and must be
    // closed and reopened.
    virtual bool MustReconnect(const TDevicePropertyList& properties) = 0;
    // True: closed after every poll and command.
    virtual bool CloseAfterExchange() { return true; }
    virtual bool CheckLink(TTerminalDataClass* terminal) = 0;
    virtual void Open(TTerminalDataClass* terminal) = 0;
    virtual bool Close(TTerminalDataClass* terminal) = 0;
    // Bytes read into data; 0 or less: nothing was read.
    virtual int32_t Read(int32_t timeoutMs, std::string& data, TTerminalDataClass* terminal) = 0;
    // Bytes written.
    virtual int32_t Write(const std::string& data, TTerminalDataClass* terminal) = 0;
    virtual bool IsOpen() = 0;
};
