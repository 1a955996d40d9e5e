// TDevice: one configured device. This part holds its settings, its property list and the
// "session" element of the configuration file; the polling cycle builds on it.
#pragma once

#include "core/driver/DeviceProperties.h"

#include <cstdint>
#include <memory>
#include <string>

// Properties are created by CreatePropertyList. The base constructor can only reach its own
// CreatePropertyList, so a device class that replaces it creates its list again in its own
// constructor:
//     TMyDevice() { Properties.reset(CreatePropertyList()); }
class TDevice {
public:
    TDevice();
    virtual ~TDevice();

    TDevice(const TDevice&) = delete;
    TDevice& operator=(const TDevice&) = delete;

    // Index and a copy of the properties of source, then ApplyProperties; null changes nothing.
    virtual void Assign(const TDevice* source);
    // A new list of the device's own class, filled with its defaults.
    virtual TDevicePropertyList* CreatePropertyList();
    // Appends the "session" line (indent, "<session ", name="value" and a space for every
    // property, "/>"). False, appending nothing, when a property could not be read back: a
    // name that is not a plain attribute name, or a value with a double quote or a '>'.
    virtual bool SaveSession(const std::string& indent, TStringList& lines);
    // Resets the properties to their defaults, takes the attribute values of every "session"
    // element of text, and applies them. False for an empty text.
    virtual bool LoadSession(const std::string& text);
    // Copies the property list into the fields below; unknown names are left to derived
    // devices, numbers and booleans that do not read give the fallback of their row.
    virtual void ApplyProperties();

    // From the properties (ApplyProperties).
    std::string DeviceName;      // at most 255 characters
    std::string DeviceIPAddress; // at most 255 characters
    int32_t DeviceAddress = 0;
    int32_t IPPort = 0;
    std::string RS232Port;
    int32_t RS232BaudRate = 0;
    uint8_t RS232StopBits = 0;
    uint8_t RS232ByteSize = 0;
    uint8_t RS232Parity = 0;
    int32_t TimeOut = 0; // ms
    int32_t RetryCount = 0;
    bool Enabled = false;
    std::string RoutingPrefix;
    int32_t ReqwestInterval = 0; // ms
    std::string VarConnectStateName;
    std::string CommandStateName;
    std::string VarBlockCommand;

    int32_t AnswerDelay = 0; // ms
    int32_t RereadCount = 1;
    int32_t Index = -1; // position in the driver's device list
    bool LinkUp = false;
    int32_t FailureCount = 0;
    bool ImitatorToggle = false;
    int64_t PollStartTick = 0;
    int64_t PollDuration = 0;
    // -1: not looked up yet; -100: no tag of that name.
    int32_t BlockTagIndex = -1;

    std::unique_ptr<TDevicePropertyList> Properties;
};
