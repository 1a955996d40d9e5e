// TDevice: one configured device: its settings, property list and "session" element, and the
// polling cycle and command execution that talk to it through the thread's connection.
#pragma once

#include "core/driver/Connection.h"
#include "core/driver/DeviceProperties.h"
#include "core/errors/TerminalData.h"

#include <cstdint>
#include <memory>
#include <string>

struct TCommandRecord;
class TDeviceList;
class TImitatorVariableList;
class TReceiveVariables;

// Properties are created by CreatePropertyList. The base constructor can only reach its own
// CreatePropertyList, so a device class that replaces it creates its list again in its own
// constructor:
//     TMyDevice() { Properties.reset(CreatePropertyList()); }
//
// A device is polled and commanded only by the polling thread that holds its copy. The hooks
// below build messages and parse answers; the base builds none, so its poll sends nothing and
// succeeds. In every hook "terminal" may be null (nothing is logged then), "received" is the
// calling thread's queue of received values, and "connection" is the connection of the thread's
// device list (ConnectProcedure and DisconnectProcedure get the owning pointer, which they may
// replace or find empty; the message hooks are called only while a connection exists). A Build
// hook is given empty data and expectAnswer false; leaving the data empty ends its phase.
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

    virtual void ClearRequestTerminal();
    virtual void ClearCommandTerminal();
    // Adds caption + the data as FormatTerminalData shows it; the flags are for derived devices.
    virtual void LogData(bool isWrite, bool isCommand, const std::string& caption,
                         const std::string& data, TTerminalDataClass* terminal);
    // The link-state tag (VarConnectStateName) := 0 (up) or 1 (down) when it is registered.
    virtual void ReportLinkUp();
    virtual void ReportLinkDown();

    // Imitator mode: queues the next ramp value of every imitated tag instead of polling.
    virtual void RunImitator(TReceiveVariables& received, TTerminalDataClass* terminal);
    // Before the block-tag check of every pass, and after every poll.
    virtual void BeforeCycle(TReceiveVariables& received);
    virtual void AfterCycle(TReceiveVariables& received);
    // True: the device has handled the command itself; nothing is sent.
    virtual bool HandleCommandLocally(const TCommandRecord& command, TReceiveVariables& received);

    // The connect and disconnect messages, step by step; false (connection closed) on a short
    // write, a missing answer or a rejected answer. isPoll is false for a command's connect.
    virtual bool ConnectProcedure(bool isPoll, std::unique_ptr<TVantorelixConnection>& connection,
                                  TReceiveVariables& received, TTerminalDataClass* terminal);
    virtual bool DisconnectProcedure(bool isPoll,
                                     std::unique_ptr<TVantorelixConnection>& connection,
                                     TReceiveVariables& received, TTerminalDataClass* terminal);

    virtual void BuildConnectMessage(TVantorelixConnection& connection, bool isPoll, int32_t step,
                                     TTerminalDataClass* terminal, std::string& data,
                                     bool& expectAnswer);
    // Negative: the answer is rejected.
    virtual int32_t ParseConnectAnswer(TVantorelixConnection& connection, bool isPoll, int32_t step,
                                       TReceiveVariables& received, const std::string& answer,
                                       TTerminalDataClass* terminal);
    virtual void BuildBroadcastRequest(TVantorelixConnection& connection,
                                       TTerminalDataClass* terminal, std::string& data);
    virtual void BuildReadRequest(TVantorelixConnection& connection, int32_t step,
                                  TTerminalDataClass* terminal, std::string& data,
                                  bool& expectAnswer);
    // Negative: an error code; the poll re-reads and finally fails with it.
    virtual int32_t ParseReadAnswer(TVantorelixConnection& connection, int32_t step,
                                    TReceiveVariables& received, const std::string& answer,
                                    TTerminalDataClass* terminal);
    virtual void BuildDisconnectMessage(TVantorelixConnection& connection, bool isPoll,
                                        int32_t step, TTerminalDataClass* terminal,
                                        std::string& data, bool& expectAnswer);
    virtual int32_t ParseDisconnectAnswer(TVantorelixConnection& connection, bool isPoll,
                                          int32_t step, TReceiveVariables& received,
                                          const std::string& answer, TTerminalDataClass* terminal);
    virtual void BuildCommandMessage(TVantorelixConnection& connection, int32_t step,
                                     const TCommandRecord& command, TReceiveVariables& received,
                                     TTerminalDataClass* terminal, std::string& data,
                                     bool& expectAnswer);
    // Negative: the device rejected the command.
    virtual int32_t ParseCommandAnswer(TVantorelixConnection& connection, int32_t step,
                                       const TCommandRecord& command, TReceiveVariables& received,
                                       const std::string& answer, TTerminalDataClass* terminal);

    // One request cycle over the Connection of devices, logged into RequestTerminal; true when
    // every request was answered and accepted. Updates the link state.
    virtual bool Poll(TDeviceList& devices, TReceiveVariables& received);
    // Sends one command; status: 1 while executing or failed without a connection, 2 rejected
    // by the device. True on success (the caller then sets 3). Logged into CommandTerminal.
    virtual bool ExecuteCommand(TDeviceList& devices, const TCommandRecord& command,
                                uint8_t& status, TReceiveVariables& received);
    // The block tag changed the device's enabled state (called before Enabled changes).
    virtual void OnBlockStateChanged(bool enabled, TReceiveVariables& received);

    // The link-state machine after a poll or command: the tag goes down on the (RetryCount + 1)-th
    // consecutive failure after the link was up, and up on the first success; written only on
    // these transitions.
    void UpdateLinkState(bool success);

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
    // Created on the first imitator poll.
    std::unique_ptr<TImitatorVariableList> ImitatorVariables;

    std::unique_ptr<TDevicePropertyList> Properties;
    TTerminalDataClass RequestTerminal; // output of polls
    TTerminalDataClass CommandTerminal; // output of commands

private:
    // The steps of Poll up to its finish; exchangeOpened tells the finish to disconnect.
    bool PollExchange(TDeviceList& devices, TReceiveVariables& received, bool& exchangeOpened);
    // The steps of ExecuteCommand between connecting and the closing steps.
    bool CommandExchange(TDeviceList& devices, const TCommandRecord& command, uint8_t& status,
                         TReceiveVariables& received, bool& exchangeOpened);
    void FinishPoll(TDeviceList& devices, TReceiveVariables& received, bool exchangeOpened,
                    bool result);
    void FinishCommandExchange(TDeviceList& devices, TReceiveVariables& received,
                               bool exchangeOpened, bool result);
};
