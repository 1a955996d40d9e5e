// Test doubles for the polling framework: a block over memory with static and dynamic tags, a
// scripted connection and device, a driver that makes them, a reporter that records, and a
// clock that moves only when slept. Installed in the server runtime for one test at a time.
#pragma once

#include "core/driver/DeviceList.h"
#include "core/driver/Driver.h"
#include "core/errors/DriverError.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// True once this test process has an instance of its own (VANTORELIX_INSTANCE), so that its
// windows never meet those of parallel test processes.
bool OwnInstance();

// The lines of a terminal text, one per Add.
std::vector<std::string> Lines(const std::string& text);
// UTF-8 literal in the code page.
std::string Ansi(const char* utf8);

// What the server reported, in order.
class TRecordingReporter : public TServerErrorClass {
public:
    explicit TRecordingReporter(TIntercomInterface* channel) : TServerErrorClass(channel) {}
    void ReportText(int32_t code, std::string_view text) override;
    std::vector<std::pair<int32_t, std::string>> Reports() const;
    int32_t CountOf(int32_t code) const;

private:
    mutable std::mutex FMutex;
    std::vector<std::pair<int32_t, std::string>> FReports;
};

struct TTagSpec {
    std::string Name;
    std::string Routing;
    float Scale = 0;
    bool Invert = false;
    uint8_t TypeCode = 0;
    float Bound1 = 0;
    float Bound2 = 100;
};

// A block over memory (the creator's view), installed in the server runtime with a recording
// reporter; the index is built on request. Everything is uninstalled by the destructor.
class TTestBlock {
public:
    explicit TTestBlock(const std::vector<TTagSpec>& tags, int32_t spare = 0);
    ~TTestBlock();

    // Registers a dynamic tag as the plug-in does at start-up.
    void AddDynamicTag(const std::string& name);
    // The dynamic tag's value; NaN when it is not registered.
    float DynamicValue(const std::string& name) const;
    float StaticValue(int32_t index) const;
    // Builds and installs the routing index.
    void BuildIndex();

    std::vector<uint8_t> Memory;
    std::unique_ptr<TIntercomInterface> Channel;
    std::unique_ptr<TRecordingReporter> Reporter;
    std::unique_ptr<TVariableIndex> Index;
};

// The far end of the scripted connections; shared by all connections a device list creates.
struct TFakeLink {
    bool CreateFails = false; // CreateConnection returns none
    bool OpenFails = false;   // Open leaves the connection closed
    bool MustReconnect = false;
    bool CloseAfterExchange = true;
    std::deque<std::pair<int32_t, std::string>> Reads; // result and data of each Read; then 0
    std::map<int32_t, int32_t> ShortWrites;            // write number -> bytes written
    int32_t WriteCount = 0;
    std::vector<std::string> Written;
    int32_t Created = 0;
    int32_t Opens = 0;
    int32_t Closes = 0;
};

class TFakeConnection : public TVantorelixConnection {
public:
    explicit TFakeConnection(std::shared_ptr<TFakeLink> link) : FLink(std::move(link)) {}
    bool MustReconnect(const TDevicePropertyList&) override { return FLink->MustReconnect; }
    bool CloseAfterExchange() override { return FLink->CloseAfterExchange; }
    bool CheckLink(TTerminalDataClass*) override { return !FLink->OpenFails; }
    void Open(TTerminalDataClass* terminal) override;
    bool Close(TTerminalDataClass* terminal) override;
    int32_t Read(int32_t timeoutMs, std::string& data, TTerminalDataClass* terminal) override;
    int32_t Write(const std::string& data, TTerminalDataClass* terminal) override;
    bool IsOpen() override { return FOpen; }

private:
    std::shared_ptr<TFakeLink> FLink;
    bool FOpen = false;
};

// What the devices of one test do and what happened to them; shared by all device copies.
struct TDeviceScript {
    std::vector<std::pair<std::string, bool>> ConnectMessages; // data, expect answer
    std::vector<int32_t> ConnectParse;                         // results in turn; then 0
    std::string Broadcast;
    std::vector<std::pair<std::string, bool>> ReadRequests;
    std::deque<int32_t> ReadParse; // results in turn; then 0
    std::vector<std::pair<std::string, bool>> CommandMessages;
    std::deque<int32_t> CommandParse;
    bool HandleLocally = false;
};

struct TWorld {
    std::shared_ptr<TFakeLink> Link = std::make_shared<TFakeLink>();
    TDeviceScript Script;
    mutable std::mutex Mutex;
    std::vector<std::string> LinkReports;                   // "Name up" / "Name down"
    std::vector<std::pair<std::string, bool>> BlockChanges; // device name, new enabled state
    std::map<std::string, std::vector<uint32_t>> PollTicks; // start tick of each poll

    int32_t PollsOf(const std::string& name) const;
};

class TScriptDevice : public TDevice {
public:
    explicit TScriptDevice(std::shared_ptr<TWorld> world) : FWorld(std::move(world)) {}
    void ReportLinkUp() override;
    void ReportLinkDown() override;
    void OnBlockStateChanged(bool enabled, TReceiveVariables& received) override;
    bool HandleCommandLocally(const TCommandRecord& command, TReceiveVariables& received) override;
    void BuildConnectMessage(TVantorelixConnection&, bool, int32_t step, TTerminalDataClass*,
                             std::string& data, bool& expectAnswer) override;
    int32_t ParseConnectAnswer(TVantorelixConnection&, bool, int32_t step, TReceiveVariables&,
                               const std::string&, TTerminalDataClass*) override;
    void BuildBroadcastRequest(TVantorelixConnection&, TTerminalDataClass*,
                               std::string& data) override;
    void BuildReadRequest(TVantorelixConnection&, int32_t step, TTerminalDataClass*,
                          std::string& data, bool& expectAnswer) override;
    int32_t ParseReadAnswer(TVantorelixConnection&, int32_t step, TReceiveVariables&,
                            const std::string&, TTerminalDataClass*) override;
    void BuildCommandMessage(TVantorelixConnection&, int32_t step, const TCommandRecord&,
                             TReceiveVariables&, TTerminalDataClass*, std::string& data,
                             bool& expectAnswer) override;
    int32_t ParseCommandAnswer(TVantorelixConnection&, int32_t step, const TCommandRecord&,
                               TReceiveVariables&, const std::string&,
                               TTerminalDataClass*) override;
    bool Poll(TDeviceList& devices, TReceiveVariables& received) override;

private:
    std::shared_ptr<TWorld> FWorld;
};

class TFakeDeviceList : public TDeviceList {
public:
    TFakeDeviceList(TDriver& driver, std::shared_ptr<TWorld> world)
        : TDeviceList(driver), FWorld(std::move(world)) {}
    TVantorelixConnection* CreateConnection(const TDevicePropertyList& properties) override;

private:
    std::shared_ptr<TWorld> FWorld;
};

class TTestDriver : public TDriver {
public:
    TTestDriver() { Devices.reset(CreateDeviceList()); }
    TDevice* CreateDevice() override { return new TScriptDevice(World); }
    TDeviceList* CreateDeviceList() override { return new TFakeDeviceList(*this, World); }

    // A device with these properties (besides the defaults: enabled, no retry tolerance, no
    // interval, no delays).
    TDevice* AddDevice(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& properties = {});

    std::shared_ptr<TWorld> World = std::make_shared<TWorld>();
};

// A window on the test's thread that records the refresh messages and the texts at that moment.
struct TRefreshWindow {
    TRefreshWindow() {
        Handle = platform::CreateWindowHandle(
            [this](platform::HWND, uint32_t msg, uintptr_t wParam, intptr_t) -> intptr_t {
                if (msg == WindowUpdateMessage) {
                    Messages.push_back(wParam);
                    Texts.push_back(ServerRuntime().GetTexts());
                }
                return 0;
            });
        ServerRuntime().ServerWindowHandle = Handle;
    }
    ~TRefreshWindow() { platform::DestroyWindowHandle(Handle); }
    platform::HWND Handle = 0;
    std::vector<uintptr_t> Messages;
    std::vector<TSelectedDeviceTexts> Texts;
};

// Ticks and the date-time move only when the code sleeps.
class TManualClock : public platform::TClock {
public:
    uint32_t TickCount() override { return FTicks; }
    void Sleep(uint32_t ms) override { FTicks += ms; }
    double Now() override { return 45000.0 + FTicks / 86400000.0; }

private:
    uint32_t FTicks = 1000;
};
