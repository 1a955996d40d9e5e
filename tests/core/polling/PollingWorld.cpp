// Test doubles for the polling framework.
#include "tests/core/polling/PollingWorld.h"

#include "core/intercom/VariableInfo.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
const bool InstanceSet = [] {
    const std::string instance = "t" + std::to_string(platform::GetCurrentProcessId());
    return setenv("VANTORELIX_INSTANCE", instance.c_str(), 1) == 0;
}();
} // namespace

bool OwnInstance() {
    return InstanceSet;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) {
        return lines;
    }
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

std::string Ansi(const char* utf8) {
    return platform::Utf8ToAnsi(utf8);
}

void TRecordingReporter::ReportText(int32_t code, std::string_view text) {
    std::lock_guard<std::mutex> lock(FMutex);
    FReports.emplace_back(code, std::string(text));
}

std::vector<std::pair<int32_t, std::string>> TRecordingReporter::Reports() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FReports;
}

int32_t TRecordingReporter::CountOf(int32_t code) const {
    std::lock_guard<std::mutex> lock(FMutex);
    int32_t count = 0;
    for (const auto& report : FReports) {
        count += report.first == code ? 1 : 0;
    }
    return count;
}

TTestBlock::TTestBlock(const std::vector<TTagSpec>& tags, int32_t spare)
    : Memory(BlockSize(int32_t(tags.size()) + spare)) {
    const int32_t capacity = int32_t(tags.size()) + spare;
    Channel = TIntercomInterface::OverMemory(Memory.data(), Memory.size(),
                                             TIntercomInterface::TAttachMode::Create, capacity);
    int32_t id = 100;
    for (const TTagSpec& tag : tags) {
        TVariableInfo info;
        std::memset(&info, 0, sizeof(info));
        info.Id.Set(id++);
        info.TagName.Set(tag.Name);
        info.Routing.Set(tag.Routing);
        info.Scale.Set(tag.Scale);
        info.Inverse.Set(tag.Invert ? 1 : 0);
        info.TypeCode = tag.TypeCode;
        info.Bound1.Set(tag.Bound1);
        info.Bound2.Set(tag.Bound2);
        info.Value.Set(-1);
        Channel->StaticTags.Add(info);
    }
    Reporter = std::make_unique<TRecordingReporter>(Channel.get());
    TServerRuntime& runtime = ServerRuntime();
    runtime.Clear();
    runtime.Channel = Channel.get();
    runtime.ErrorReporter = Reporter.get();
}

TTestBlock::~TTestBlock() {
    ServerRuntime().Clear();
}

void TTestBlock::AddDynamicTag(const std::string& name) {
    Channel->DynamicTags.SetValue(name, false, std::numeric_limits<float>::quiet_NaN(), 0);
}

float TTestBlock::DynamicValue(const std::string& name) const {
    TDynamicVariable record;
    const std::string wanted = platform::AnsiUpperCase(platform::Trim(name));
    for (int32_t i = 0; i < Channel->DynamicTags.Count(); ++i) {
        if (Channel->DynamicTags.GetRecord(i, record) && record.Name.Get() == wanted) {
            return record.Value.Get();
        }
    }
    return std::numeric_limits<float>::quiet_NaN();
}

float TTestBlock::StaticValue(int32_t index) const {
    TDMLVariable record;
    return Channel->StaticTags.GetRecord(index, record) ? record.Value.Get()
                                                        : std::numeric_limits<float>::quiet_NaN();
}

void TTestBlock::BuildIndex() {
    Index = std::make_unique<TVariableIndex>();
    Index->Build();
    ServerRuntime().VariableIndex = Index.get();
}

void TFakeConnection::Open(TTerminalDataClass* terminal) {
    ++FLink->Opens;
    FOpen = !FLink->OpenFails;
    if (terminal != nullptr) {
        terminal->Add(FOpen ? "Opened" : "Not opened");
    }
}

bool TFakeConnection::Close(TTerminalDataClass* terminal) {
    ++FLink->Closes;
    FOpen = false;
    if (terminal != nullptr) {
        terminal->Add("Disconnected");
    }
    return true;
}

int32_t TFakeConnection::Read(int32_t, std::string& data, TTerminalDataClass*) {
    data.clear();
    if (FLink->Reads.empty()) {
        return 0;
    }
    auto [result, text] = FLink->Reads.front();
    FLink->Reads.pop_front();
    data = text;
    return result;
}

int32_t TFakeConnection::Write(const std::string& data, TTerminalDataClass*) {
    const int32_t number = FLink->WriteCount++;
    FLink->Written.push_back(data);
    const auto shortWrite = FLink->ShortWrites.find(number);
    return shortWrite != FLink->ShortWrites.end() ? shortWrite->second : int32_t(data.size());
}

int32_t TWorld::PollsOf(const std::string& name) const {
    std::lock_guard<std::mutex> lock(Mutex);
    const auto found = PollTicks.find(name);
    return found == PollTicks.end() ? 0 : int32_t(found->second.size());
}

void TScriptDevice::ReportLinkUp() {
    {
        std::lock_guard<std::mutex> lock(FWorld->Mutex);
        FWorld->LinkReports.push_back(DeviceName + " up");
    }
    TDevice::ReportLinkUp();
}

void TScriptDevice::ReportLinkDown() {
    {
        std::lock_guard<std::mutex> lock(FWorld->Mutex);
        FWorld->LinkReports.push_back(DeviceName + " down");
    }
    TDevice::ReportLinkDown();
}

void TScriptDevice::OnBlockStateChanged(bool enabled, TReceiveVariables&) {
    std::lock_guard<std::mutex> lock(FWorld->Mutex);
    FWorld->BlockChanges.emplace_back(DeviceName, enabled);
}

bool TScriptDevice::HandleCommandLocally(const TCommandRecord&, TReceiveVariables&) {
    return FWorld->Script.HandleLocally;
}

namespace {

void Step(const std::vector<std::pair<std::string, bool>>& messages, int32_t step,
          std::string& data, bool& expectAnswer) {
    if (step >= 0 && step < int32_t(messages.size())) {
        data = messages[size_t(step)].first;
        expectAnswer = messages[size_t(step)].second;
    }
}

int32_t Next(std::deque<int32_t>& results) {
    if (results.empty()) {
        return 0;
    }
    const int32_t result = results.front();
    results.pop_front();
    return result;
}

} // namespace

void TScriptDevice::BuildConnectMessage(TVantorelixConnection&, bool, int32_t step,
                                        TTerminalDataClass*, std::string& data,
                                        bool& expectAnswer) {
    Step(FWorld->Script.ConnectMessages, step, data, expectAnswer);
}

int32_t TScriptDevice::ParseConnectAnswer(TVantorelixConnection&, bool, int32_t step,
                                          TReceiveVariables&, const std::string&,
                                          TTerminalDataClass*) {
    const auto& results = FWorld->Script.ConnectParse;
    return step < int32_t(results.size()) ? results[size_t(step)] : 0;
}

void TScriptDevice::BuildBroadcastRequest(TVantorelixConnection&, TTerminalDataClass*,
                                          std::string& data) {
    data = FWorld->Script.Broadcast;
}

void TScriptDevice::BuildReadRequest(TVantorelixConnection&, int32_t step, TTerminalDataClass*,
                                     std::string& data, bool& expectAnswer) {
    Step(FWorld->Script.ReadRequests, step, data, expectAnswer);
}

int32_t TScriptDevice::ParseReadAnswer(TVantorelixConnection&, int32_t, TReceiveVariables&,
                                       const std::string&, TTerminalDataClass*) {
    return Next(FWorld->Script.ReadParse);
}

void TScriptDevice::BuildCommandMessage(TVantorelixConnection&, int32_t step, const TCommandRecord&,
                                        TReceiveVariables&, TTerminalDataClass*, std::string& data,
                                        bool& expectAnswer) {
    Step(FWorld->Script.CommandMessages, step, data, expectAnswer);
}

int32_t TScriptDevice::ParseCommandAnswer(TVantorelixConnection&, int32_t, const TCommandRecord&,
                                          TReceiveVariables&, const std::string&,
                                          TTerminalDataClass*) {
    return Next(FWorld->Script.CommandParse);
}

bool TScriptDevice::Poll(TDeviceList& devices, TReceiveVariables& received) {
    {
        std::lock_guard<std::mutex> lock(FWorld->Mutex);
        FWorld->PollTicks[DeviceName].push_back(platform::GetTickCount());
    }
    return TDevice::Poll(devices, received);
}

TVantorelixConnection* TFakeDeviceList::CreateConnection(const TDevicePropertyList&) {
    if (FWorld->Link->CreateFails) {
        return nullptr;
    }
    ++FWorld->Link->Created;
    return new TFakeConnection(FWorld->Link);
}

TDevice*
TTestDriver::AddDevice(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& properties) {
    TDevice* device = Devices->AddNewDevice()->Device.get();
    TDevicePropertyList& list = *device->Properties;
    list.SetProperty("DeviceName", name, 0);
    list.SetProperty("Enabled", "TRUE", 2);
    list.SetProperty("RetryCount", "0", 1);
    list.SetProperty("ReqwestInterval", "0", 1);
    for (const auto& [key, value] : properties) {
        list.SetProperty(key, value, 0);
    }
    device->ApplyProperties();
    return device;
}
