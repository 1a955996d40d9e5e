// Execution of one command by a device: connect, send the command messages, check the answers,
// close, and count the outcome in the link state.
#include "core/driver/Device.h"
#include "core/driver/DeviceList.h"
#include "core/driver/DeviceTexts.h"
#include "core/intercom/CommandQueue.h"
#include "core/polling/ReceiveVariables.h"

bool TDevice::ExecuteCommand(TDeviceList& devices, const TCommandRecord& commandToRun,
                             uint8_t& status, TReceiveVariables& received) {
    const TCommandRecord command = commandToRun;
    status = 1;
    if (HandleCommandLocally(command, received)) {
        return true;
    }
    std::unique_ptr<TVantorelixConnection>& connection = devices.Connection;
    if (!connection) {
        connection.reset(devices.CreateConnection(*Properties));
        if (!connection) {
            CommandTerminal.Add(DeviceTexts().ConnectionClassFailed);
            return false;
        }
    }
    bool exchangeOpened = false;
    bool result = false;
    try {
        result = CommandExchange(devices, command, status, received, exchangeOpened);
    } catch (...) {
        FinishCommandExchange(devices, received, exchangeOpened, false);
        throw;
    }
    FinishCommandExchange(devices, received, exchangeOpened, result);
    return result;
}

bool TDevice::CommandExchange(TDeviceList& devices, const TCommandRecord& command, uint8_t& status,
                              TReceiveVariables& received, bool& exchangeOpened) {
    TTerminalDataClass* terminal = &CommandTerminal;
    std::unique_ptr<TVantorelixConnection>& connection = devices.Connection;
    if (connection->IsOpen() && connection->MustReconnect(*Properties)) {
        connection->Close(&RequestTerminal);
    }
    if (!connection->IsOpen()) {
        devices.FreeConnection(connection);
        connection.reset(devices.CreateConnection(*Properties));
        if (!connection) {
            terminal->Add(DeviceTexts().ConnectionClassFailed);
            return false;
        }
        connection->Open(terminal);
        if (!connection->IsOpen()) {
            terminal->Add(DeviceTexts().ConnectionClassFailed);
            return false;
        }
    }
    // The connect messages of a command are logged with the polls.
    if (!ConnectProcedure(false, connection, received, &RequestTerminal)) {
        return false;
    }
    if (!connection || !connection->IsOpen()) {
        return false;
    }
    exchangeOpened = true;

    std::string data;
    bool expectAnswer = false;
    int32_t step = 0;
    BuildCommandMessage(*connection, step, command, received, terminal, data, expectAnswer);
    while (!data.empty()) {
        LogData(true, true, "Write to device: ", data, terminal);
        if (connection->Write(data, terminal) < int32_t(data.size())) {
            connection->Close(terminal);
            return false;
        }
        if (expectAnswer) {
            std::string answer;
            if (connection->Read(TimeOut, answer, terminal) < 1) {
                connection->Close(terminal);
                return false;
            }
            LogData(false, true, "Read from device: " + std::to_string(answer.size()) + " ", answer,
                    terminal);
            if (ParseCommandAnswer(*connection, step, command, received, answer, terminal) < 0) {
                connection->Close(terminal);
                status = 2;
                return false;
            }
        }
        ++step;
        data.clear();
        expectAnswer = false;
        BuildCommandMessage(*connection, step, command, received, terminal, data, expectAnswer);
    }
    return true;
}

void TDevice::FinishCommandExchange(TDeviceList& devices, TReceiveVariables& received,
                                    bool exchangeOpened, bool result) {
    std::unique_ptr<TVantorelixConnection>& connection = devices.Connection;
    if (exchangeOpened && connection) {
        DisconnectProcedure(true, connection, received, &CommandTerminal);
    }
    // Closed after every command, whatever the connection says about closing after exchanges.
    if (connection && connection->IsOpen()) {
        connection->Close(&CommandTerminal);
    }
    UpdateLinkState(result);
    CommandTerminal.Add(result ? DeviceTexts().CommandDone : DeviceTexts().CommandNotDone);
}
