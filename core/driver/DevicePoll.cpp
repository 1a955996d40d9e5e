// The device polling cycle: connect, broadcast, read requests with re-reads, disconnect, and the
// link-state machine; the base hooks, which send nothing.
#include "core/driver/Device.h"
#include "core/driver/DeviceList.h"
#include "core/driver/DeviceTexts.h"
#include "core/driver/Driver.h"
#include "core/errors/ErrorTexts.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ImitatorVariables.h"
#include "core/polling/ReceiveVariables.h"
#include "core/polling/ServerRuntime.h"
#include "platform/Ticks.h"

#include <string>

namespace {

void SleepMs(int32_t ms) {
    if (ms > 0) {
        platform::Sleep(uint32_t(ms));
    }
}

void AddLine(TTerminalDataClass* terminal, const std::string& line) {
    if (terminal != nullptr) {
        terminal->Add(line);
    }
}

// The link-state and command-state tags are dynamic tags the plug-in registered by name; a name
// it did not register is not added here.
void SetDynamicTag(const std::string& name, float value) {
    TIntercomInterface* channel = ServerRuntime().Channel.load();
    if (!name.empty() && channel != nullptr) {
        channel->DynamicTags.SetValue(name, true, value, platform::Now());
    }
}

} // namespace

void TDevice::ClearRequestTerminal() {
    RequestTerminal.Clear();
}

void TDevice::ClearCommandTerminal() {
    CommandTerminal.Clear();
}

void TDevice::LogData(bool /*isWrite*/, bool /*isCommand*/, const std::string& caption,
                      const std::string& data, TTerminalDataClass* terminal) {
    if (terminal != nullptr) {
        terminal->Add(caption + FormatTerminalData(data, DriverOptions().TerminalTextMode));
    }
}

void TDevice::ReportLinkUp() {
    SetDynamicTag(VarConnectStateName, 0.0f);
}

void TDevice::ReportLinkDown() {
    SetDynamicTag(VarConnectStateName, 1.0f);
}

void TDevice::BeforeCycle(TReceiveVariables& /*received*/) {}

void TDevice::AfterCycle(TReceiveVariables& /*received*/) {}

bool TDevice::HandleCommandLocally(const TCommandRecord& /*command*/,
                                   TReceiveVariables& /*received*/) {
    return false;
}

void TDevice::OnBlockStateChanged(bool /*enabled*/, TReceiveVariables& /*received*/) {}

void TDevice::BuildConnectMessage(TVantorelixConnection& /*connection*/, bool /*isPoll*/,
                                  int32_t /*step*/, TTerminalDataClass* /*terminal*/,
                                  std::string& data, bool& expectAnswer) {
    data.clear();
    expectAnswer = false;
}

int32_t TDevice::ParseConnectAnswer(TVantorelixConnection& /*connection*/, bool /*isPoll*/,
                                    int32_t /*step*/, TReceiveVariables& /*received*/,
                                    const std::string& /*answer*/,
                                    TTerminalDataClass* /*terminal*/) {
    return 0;
}

void TDevice::BuildBroadcastRequest(TVantorelixConnection& /*connection*/,
                                    TTerminalDataClass* /*terminal*/, std::string& data) {
    data.clear();
}

void TDevice::BuildReadRequest(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                               TTerminalDataClass* /*terminal*/, std::string& data,
                               bool& expectAnswer) {
    data.clear();
    expectAnswer = false;
}

int32_t TDevice::ParseReadAnswer(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                                 TReceiveVariables& /*received*/, const std::string& /*answer*/,
                                 TTerminalDataClass* /*terminal*/) {
    return 0;
}

void TDevice::BuildDisconnectMessage(TVantorelixConnection& /*connection*/, bool /*isPoll*/,
                                     int32_t /*step*/, TTerminalDataClass* /*terminal*/,
                                     std::string& data, bool& expectAnswer) {
    data.clear();
    expectAnswer = false;
}

int32_t TDevice::ParseDisconnectAnswer(TVantorelixConnection& /*connection*/, bool /*isPoll*/,
                                       int32_t /*step*/, TReceiveVariables& /*received*/,
                                       const std::string& /*answer*/,
                                       TTerminalDataClass* /*terminal*/) {
    return 0;
}

void TDevice::BuildCommandMessage(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                                  const TCommandRecord& /*command*/,
                                  TReceiveVariables& /*received*/, TTerminalDataClass* /*terminal*/,
                                  std::string& data, bool& expectAnswer) {
    data.clear();
    expectAnswer = false;
}

int32_t TDevice::ParseCommandAnswer(TVantorelixConnection& /*connection*/, int32_t /*step*/,
                                    const TCommandRecord& /*command*/,
                                    TReceiveVariables& /*received*/, const std::string& /*answer*/,
                                    TTerminalDataClass* /*terminal*/) {
    return 0;
}

void TDevice::UpdateLinkState(bool success) {
    if (success) {
        if (!LinkUp) {
            ReportLinkUp();
            LinkUp = true;
        }
        FailureCount = 0;
    } else if (FailureCount < RetryCount) {
        // Failures within the tolerance count as a link that is up, also before the first
        // success: the loss is declared once the tolerance is used up.
        LinkUp = true;
        ++FailureCount;
    } else {
        if (LinkUp) {
            ReportLinkDown();
            ServerRuntime().ReportText(-1, DeviceName + ": " + DeviceTexts().LinkLost);
        }
        LinkUp = false;
    }
}

bool TDevice::ConnectProcedure(bool isPoll, std::unique_ptr<TVantorelixConnection>& connection,
                               TReceiveVariables& received, TTerminalDataClass* terminal) {
    if (!connection) {
        return false;
    }
    AddLine(terminal, "Start connection procedure...");
    for (int32_t step = 0;; ++step) {
        std::string data;
        bool expectAnswer = false;
        BuildConnectMessage(*connection, isPoll, step, terminal, data, expectAnswer);
        if (data.empty()) {
            break;
        }
        LogData(true, false, "Data writing: ", data, terminal);
        const int32_t written = connection->Write(data, terminal);
        if (written < int32_t(data.size())) {
            connection->Close(terminal);
            AddLine(terminal, DeviceTexts().PortWriteFailed + " " + std::to_string(written));
            return false;
        }
        if (!expectAnswer) {
            continue;
        }
        std::string answer;
        if (connection->Read(TimeOut, answer, terminal) <= 0) {
            answer.clear();
            if (connection->Read(TimeOut, answer, terminal) <= 0) {
                connection->Close(terminal);
                AddLine(terminal, GetErrorText(-13, DeviceAddress));
                ServerRuntime().ReportText(-1, "No answer on connect message.");
                return false;
            }
        }
        LogData(false, false, "Data readed: ", answer, terminal);
        if (ParseConnectAnswer(*connection, isPoll, step, received, answer, terminal) < 0) {
            connection->Close(terminal);
            AddLine(terminal, DeviceTexts().DataLengthError);
            return false;
        }
    }
    AddLine(terminal, "End connection procedure...");
    return true;
}

bool TDevice::DisconnectProcedure(bool isPoll, std::unique_ptr<TVantorelixConnection>& connection,
                                  TReceiveVariables& received, TTerminalDataClass* terminal) {
    if (!connection) {
        return false;
    }
    for (int32_t step = 0;; ++step) {
        std::string data;
        bool expectAnswer = false;
        BuildDisconnectMessage(*connection, isPoll, step, terminal, data, expectAnswer);
        if (data.empty()) {
            return true;
        }
        if (connection->Write(data, terminal) < int32_t(data.size())) {
            connection->Close(terminal);
            return false;
        }
        if (!expectAnswer) {
            continue;
        }
        std::string answer;
        if (connection->Read(TimeOut, answer, terminal) <= 0 ||
            ParseDisconnectAnswer(*connection, isPoll, step, received, answer, terminal) < 0) {
            connection->Close(terminal);
            return false;
        }
    }
}

bool TDevice::Poll(TDeviceList& devices, TReceiveVariables& received) {
    RequestTerminal.Clear();
    PollStartTick = platform::GetTickCount();
    bool exchangeOpened = false;
    bool result = false;
    try {
        result = PollExchange(devices, received, exchangeOpened);
    } catch (...) {
        FinishPoll(devices, received, exchangeOpened, false);
        throw;
    }
    FinishPoll(devices, received, exchangeOpened, result);
    return result;
}

bool TDevice::PollExchange(TDeviceList& devices, TReceiveVariables& received,
                           bool& exchangeOpened) {
    TTerminalDataClass* terminal = &RequestTerminal;
    const TDeviceTexts& texts = DeviceTexts();
    const TDriverOptions& options = DriverOptions();
    if (options.ImitatorMode) {
        RunImitator(received, terminal);
        if (options.ImitatorStateChange) {
            if (ImitatorToggle) {
                ReportLinkUp();
            } else {
                ReportLinkDown();
            }
            ImitatorToggle = !ImitatorToggle;
        }
        return true;
    }

    terminal->Add("---- START DATA READING.... ----");
    terminal->Add(texts.PollingDevice + DeviceName);

    std::unique_ptr<TVantorelixConnection>& connection = devices.Connection;
    if (!connection) {
        connection.reset(devices.CreateConnection(*Properties));
        if (!connection) {
            terminal->Add(texts.ConnectionClassFailed);
            ServerRuntime().ReportText(-1, texts.ConnectionClassFailed);
            return false;
        }
    }
    if (connection->IsOpen() && connection->MustReconnect(*Properties)) {
        connection->Close(terminal);
    }
    if (!connection->IsOpen()) {
        devices.FreeConnection(connection);
        connection.reset(devices.CreateConnection(*Properties));
        if (!connection) {
            terminal->Add(texts.ConnectionClassFailed);
            ServerRuntime().ReportText(-1, texts.ConnectionClassFailed);
            return false;
        }
        connection->Open(terminal);
        if (!connection->IsOpen()) {
            terminal->Add(texts.ConnectFailed);
            ServerRuntime().ReportText(-1, texts.ConnectFailed);
            return false;
        }
    }

    connection->BeginExchange(terminal);
    terminal->Add("");
    terminal->Add("CONNECTION ----------------");
    if (!ConnectProcedure(true, connection, received, terminal)) {
        terminal->Add(texts.ConnectFailed);
        ServerRuntime().ReportText(-1, DeviceName + ": " + texts.ConnectFailed);
        return false;
    }
    terminal->Add("CONNECTION OK --------------");
    terminal->Add("");
    if (!connection || !connection->IsOpen()) {
        return false;
    }
    exchangeOpened = true;

    std::string data;
    BuildBroadcastRequest(*connection, terminal, data);
    if (!data.empty()) {
        LogData(true, false, "Broadcast request: ", data, terminal);
        const int32_t written = connection->Write(data, terminal);
        terminal->Add(written >= int32_t(data.size()) ? "Broadcast request OK!"
                                                      : "Broadcast failure!");
    }

    terminal->Add("");
    terminal->Add("READING DATA --------------");
    int32_t step = 0;
    bool expectAnswer = false;
    data.clear();
    BuildReadRequest(*connection, step, terminal, data, expectAnswer);
    while (!data.empty()) {
        LogData(true, false, "Write to device: Index=" + std::to_string(step) + " ", data,
                terminal);
        const int32_t written = connection->Write(data, terminal);
        if (written < int32_t(data.size())) {
            terminal->Add("Data write failure: " + std::to_string(written));
            connection->Close(terminal);
            return false;
        }
        terminal->Add("Data write OK");

        std::string answer;
        int32_t code = 0;
        if (expectAnswer) {
            SleepMs(AnswerDelay);
            if (connection->Read(TimeOut, answer, terminal) <= 0) {
                connection->Close(terminal);
                terminal->Add("Device not responded.");
                return false;
            }
            LogData(false, false, "Read from device: Length=" + std::to_string(answer.size()) + " ",
                    answer, terminal);
            code = ParseReadAnswer(*connection, step, received, answer, terminal);
        }
        if (code < 0) {
            // The answer may have arrived in parts: read on and parse the whole answer again.
            for (int32_t reread = 0; reread < RereadCount; ++reread) {
                SleepMs(AnswerDelay);
                std::string more;
                const int32_t count = connection->Read(TimeOut, more, terminal);
                if (count > 0) {
                    answer += more;
                    LogData(false, false,
                            "Read from device: Length=" + std::to_string(answer.size()) + " ",
                            answer, terminal);
                    code = ParseReadAnswer(*connection, step, received, answer, terminal);
                    if (code >= 0) {
                        break;
                    }
                } else {
                    code = count == 0 ? -12 : count;
                }
            }
            terminal->Add("----- End of rereading data. -----");
        }
        if (code < 0) {
            connection->Close(terminal);
            terminal->Add("!!!Invalid received data!. Index = " + std::to_string(step) +
                          " Code = " + std::to_string(code) +
                          " Length = " + std::to_string(answer.size()));
            return false;
        }
        ++step;
        data.clear();
        expectAnswer = false;
        BuildReadRequest(*connection, step, terminal, data, expectAnswer);
    }
    terminal->Add("READING OK --------------");
    terminal->Add("");
    return true;
}

void TDevice::FinishPoll(TDeviceList& devices, TReceiveVariables& received, bool exchangeOpened,
                         bool result) {
    TTerminalDataClass* terminal = &RequestTerminal;
    std::unique_ptr<TVantorelixConnection>& connection = devices.Connection;
    if (exchangeOpened && connection) {
        terminal->Add("");
        terminal->Add("DICSONNECTING -----------");
        DisconnectProcedure(true, connection, received, terminal);
    }
    if (connection && connection->IsOpen() && connection->CloseAfterExchange()) {
        connection->Close(terminal);
    }
    PollDuration = platform::TicksSince(uint32_t(PollStartTick));
    UpdateLinkState(result);
    terminal->Add(
        FillNumber(result ? DeviceTexts().PollDone : DeviceTexts().PollFailed, PollDuration));
    terminal->Add("---- END DATA READING.... ----");
}
