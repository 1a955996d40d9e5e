// The polling thread's loop: commands first, otherwise one pass over the devices that are due.
#include "core/polling/DeviceThread.h"

#include "core/driver/DeviceTexts.h"
#include "core/driver/Driver.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/KernelTagApi.h"
#include "core/polling/PollingMessages.h"
#include "core/polling/ServerRuntime.h"
#include "platform/AnsiText.h"
#include "platform/Ticks.h"

#include <cmath>
#include <exception>
#include <limits>

namespace {

constexpr const char* DisabledText = "Device disabled!!!";

bool StopRequested(bool terminated) {
    return terminated || ServerRuntime().Stopping.load();
}

// Whole milliseconds between two date-times, as a non-negative int32.
int32_t MillisecondsBetween(double later, double earlier) {
    const double ms = std::floor(std::fabs(later - earlier) * 86400000.0 + 1e-6);
    return ms >= double(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                             : int32_t(ms);
}

float CommandStateValue(uint8_t status) {
    switch (status) {
    case 3:
        return 1.0f;
    case 2:
        return 3.0f;
    default:
        return 2.0f;
    }
}

const char* CommandClosingLine(uint8_t status) {
    switch (status) {
    case 3:
        return "Command is successful procesed.";
    case 2:
        return "Command not supported.";
    case 0:
    case 1:
        return "No connection to device.";
    default:
        return "Commands process finished.";
    }
}

} // namespace

TDeviceThread::TDeviceThread(TDeviceList& remaining, bool perPort)
    : Devices(remaining.Driver().CreateDeviceList()),
      Commands(std::make_unique<TDeviceCommandsList>()),
      Received(std::make_unique<TReceiveVariables>()) {
    TakeDevices(remaining, perPort);
}

TDeviceThread::~TDeviceThread() {
    // A poll in progress ends within its device's time-outs; only then may the members go.
    Terminate();
    WaitFor(platform::INFINITE);
}

void TDeviceThread::TakeDevices(TDeviceList& remaining, bool perPort) {
    if (remaining.Count() == 0) {
        return;
    }
    Devices->Assign(remaining);
    if (!perPort) {
        remaining.FreeAll();
        return;
    }
    const std::string port = remaining.Device(0)->RS232Port;
    const double now = platform::Now();
    for (int32_t i = Devices->Count() - 1; i >= 0; --i) {
        TDeviceListItem* entry = Devices->Item(i);
        entry->LastPollTime = now;
        entry->LastInterval = 0;
        entry->LastDuration = 0;
        if (entry->Device->RS232Port != port) {
            Devices->AtFree(i);
        }
    }
    for (int32_t i = remaining.Count() - 1; i >= 0; --i) {
        if (remaining.Device(i)->RS232Port == port) {
            remaining.AtFree(i);
        }
    }
}

void TDeviceThread::Execute() {
    Running = true;
    while (!Terminated()) {
        platform::Sleep(1);
        // One failing pass must not end the thread: its devices would never be polled again.
        try {
            RunPass();
        } catch (const std::exception& error) {
            ServerRuntime().ReportText(-1, error.what());
        } catch (...) {
            ServerRuntime().ReportText(-1, "Unknown failure in a polling thread.");
        }
    }
    Running = false;
}

void TDeviceThread::RunPass() {
    const int32_t pending = PendingCommandDevice(*Devices);
    if (pending >= 0) {
        const TDevice* device = Devices->Device(pending);
        FetchCommands(*Commands, device->RoutingPrefix, device->DeviceAddress);
    }
    if (Commands->Count() == 0) {
        PollDevices();
    } else {
        ProcessCommand();
        if (Commands->Count() == 0 && Commands->AckPending) {
            AcknowledgeCommands(*Commands);
        }
    }
}

void TDeviceThread::CheckBlockTag(TDevice& device) {
    if (!device.VarBlockCommand.empty() && device.BlockTagIndex == -1) {
        int32_t globalIndex = -1;
        if (KernelFindTag(device.VarBlockCommand.c_str(), globalIndex)) {
            device.BlockTagIndex = globalIndex;
        } else {
            ServerRuntime().ReportText(-32, PollingMessages().BlockTagNameError);
            device.BlockTagIndex = -100;
        }
    }
    double value = 0;
    if (device.BlockTagIndex >= 0 && KernelReadTag(device.BlockTagIndex, value) &&
        std::isfinite(value)) {
        const bool enabled = std::nearbyint(value) == 0.0; // to nearest, ties to even
        if (enabled != device.Enabled) {
            device.OnBlockStateChanged(enabled, *Received);
        }
        device.Enabled = enabled;
    }
}

void TDeviceThread::WriteTerminalSection(const TDeviceListItem& entry, const std::string& text) {
    TIntercomInterface* channel = ServerRuntime().Channel.load();
    const TDevice& device = *entry.Device;
    if (channel == nullptr || channel->Terminal.GetOwner() != device.Index) {
        return;
    }
    channel->Terminal.Write(text);
    TTerminalInfo info{};
    info.Caption.Set(device.IPPort > 0
                         ? device.DeviceIPAddress + ":" + std::to_string(device.IPPort)
                         : device.RS232Port);
    info.LinkUp = device.LinkUp ? 1 : 0;
    info.LastInterval.Set(entry.LastInterval);
    info.LastDuration.Set(entry.LastDuration);
    channel->Terminal.SetInfo(device.Index, info);
}

void TDeviceThread::PublishDisabled(const TDeviceListItem& entry) {
    TServerRuntime& runtime = ServerRuntime();
    if (entry.Device->Index == runtime.SelectedDeviceIndex.load()) {
        runtime.SetRequestTexts(DisabledText, "-----", "-----", "False");
        runtime.NotifyWindow(WindowUpdateRequests);
    }
    WriteTerminalSection(entry, DisabledText);
}

void TDeviceThread::FlushUnderLock() {
    platform::TLock lock(ServerRuntime().TagLock);
    FlushReceived(*Received);
}

// Leaves the pass as soon as the server stops, the thread is terminated, or a command batch is
// posted for one of its devices (commands go before the rest of the pass).
void TDeviceThread::PollDevices() {
    TServerRuntime& runtime = ServerRuntime();
    for (int32_t i = 0; i < Devices->Count(); ++i) {
        if (StopRequested(Terminated()) || PendingCommandDevice(*Devices) >= 0) {
            return;
        }
        TDeviceListItem* entry = Devices->Item(i);
        if (entry == nullptr || entry->Device == nullptr) {
            runtime.Report(-1, -1);
            continue;
        }
        TDevice& device = *entry->Device;
        device.BeforeCycle(*Received);

        bool disabled = false;
        {
            platform::TLock lock(runtime.TagLock);
            try {
                CheckBlockTag(device);
                if (!device.Enabled) {
                    PublishDisabled(*entry);
                    FlushReceived(*Received);
                    disabled = true;
                }
            } catch (...) {
                // A failing block check must not stop the pass; the device is treated as before.
            }
        }
        if (disabled) {
            continue;
        }

        const double now = platform::Now();
        const int32_t elapsed = MillisecondsBetween(now, entry->LastPollTime);
        if (elapsed < device.ReqwestInterval) {
            continue;
        }
        entry->LastPollTime = now;
        entry->LastInterval = elapsed;
        device.ClearRequestTerminal();
        if (StopRequested(Terminated())) {
            return;
        }

        const uint32_t start = platform::GetTickCount();
        device.Poll(*Devices, *Received);
        if (device.Index == runtime.SelectedDeviceIndex.load()) {
            // Measured only for the device the window shows.
            entry->LastDuration = int32_t(platform::TicksSince(start));
            runtime.SetRequestTexts(
                device.RequestTerminal.GetText(), std::to_string(entry->LastInterval),
                std::to_string(entry->LastDuration), device.LinkUp ? "True" : "False");
            runtime.NotifyWindow(WindowUpdateRequests);
        }
        WriteTerminalSection(*entry, device.RequestTerminal.GetText());
        device.AfterCycle(*Received);
        FlushUnderLock();
    }
}

void TDeviceThread::ProcessCommand() {
    const uint32_t start = platform::GetTickCount();
    CurrentCommand = *Commands->Item(0);
    Commands->AtFree(0);
    if (Commands->Count() == 0) {
        Commands->AckPending = true;
    }
    TDeviceListItem* entry =
        Devices->FindDevice(CurrentCommand.DeviceName.Get(), CurrentCommand.DeviceAddress.Get());
    if (entry == nullptr) {
        ServerRuntime().ReportText(-1, PollingMessages().UnknownSegment);
        CommandStatus = 0;
        return;
    }
    TDevice& device = *entry->Device;
    device.ClearCommandTerminal();
    device.CommandTerminal.Add(PollingMessages().WritingCommand);
    try {
        if (StopRequested(Terminated())) {
            CommandStatus = 0;
        } else {
            CommandStatus = 1;
            if (device.ExecuteCommand(*Devices, CurrentCommand, CommandStatus, *Received)) {
                CommandStatus = 3;
            }
        }
    } catch (...) {
        CloseCommand(*entry, start);
        throw;
    }
    CloseCommand(*entry, start);
}

void TDeviceThread::CloseCommand(TDeviceListItem& entry, uint32_t startTick) {
    TDevice& device = *entry.Device;
    device.CommandTerminal.Add(FinishCommand(entry, CurrentCommand));
    device.CommandTerminal.Add(
        FillNumber(PollingMessages().CommandServiceTime, platform::TicksSince(startTick)));
    TServerRuntime& runtime = ServerRuntime();
    if (device.Index == runtime.SelectedDeviceIndex.load()) {
        runtime.SetCommandsText(device.CommandTerminal.GetText());
        runtime.NotifyWindow(WindowUpdateCommands);
    }
    // The commanded value (or the old one after a failure) reaches its tag now, not only after
    // the next poll of a device that is due.
    FlushUnderLock();
}

std::string TDeviceThread::FinishCommand(TDeviceListItem& entry, const TCommandRecord& command) {
    const std::string prefix = command.DeviceName.Get();
    const std::string segment = command.Segment.Get();
    AddReceived(*Received, prefix, command.DeviceAddress.Get(), command.Value.Get(), segment,
                command.Address.Get());
    const std::string stateTag = platform::Trim(entry.Device->CommandStateName);
    TIntercomInterface* channel = ServerRuntime().Channel.load();
    if (!stateTag.empty() && channel != nullptr) {
        channel->DynamicTags.SetValue(stateTag, true, CommandStateValue(CommandStatus),
                                      platform::Now());
    }
    if (CommandStatus != 3) {
        // Queued after the commanded value: the tag ends at its old value.
        AddReceived(*Received, prefix, command.DeviceAddress.Get(), command.Value2.Get(), segment,
                    command.Address.Get());
        ServerRuntime().Report(-8, -1);
    }
    return CommandClosingLine(CommandStatus);
}
