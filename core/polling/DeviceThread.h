// TDeviceThread: one polling thread. It owns copies of the devices it serves and their shared
// connection, takes command batches posted for them, and polls each device when it is due.
#pragma once

#include "core/driver/DeviceList.h"
#include "core/intercom/CommandQueue.h"
#include "core/polling/DeviceCommands.h"
#include "core/polling/ReceiveVariables.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// Created suspended by TThreadsList on the main thread; after Resume everything below is touched
// only by the thread itself, except Running (read by whoever stops it).
class TDeviceThread : public platform::TThread {
public:
    // Takes its devices out of remaining (TakeDevices): the devices of the first device's port
    // when perPort is set, otherwise all of them. The device list comes from remaining's driver.
    TDeviceThread(TDeviceList& remaining, bool perPort);
    // Stops the thread and waits for it to end: its loop uses the members below.
    ~TDeviceThread() override;

    // Per port: copies of the remaining devices whose RS232Port equals the first one's (exact
    // comparison), which then leave remaining. Otherwise copies of all; remaining is emptied.
    void TakeDevices(TDeviceList& remaining, bool perPort);
    // One pass of the loop: takes a batch posted for one of the devices, then executes one
    // command (marking the batch done after its last) or, without commands, polls the devices.
    void RunPass();
    // One pass over the devices; see the definition.
    void PollDevices();
    // Executes the first queued command and reports its outcome.
    void ProcessCommand();
    // After a command: queues the commanded value for its tag (and the old value after it when
    // the command failed, reporting -8), sets the device's command-state tag, and returns the
    // command terminal's closing line.
    std::string FinishCommand(TDeviceListItem& entry, const TCommandRecord& command);

    // True from the start of the loop until it ends.
    std::atomic<bool> Running{false};
    std::unique_ptr<TDeviceList> Devices;
    std::unique_ptr<TDeviceCommandsList> Commands;
    TCommandRecord CurrentCommand{};
    // 0 not executed (no device, or stopping), 1 executing or failed without a connection,
    // 2 rejected by the device, 3 done.
    uint8_t CommandStatus = 0;
    std::unique_ptr<TReceiveVariables> Received;

protected:
    void Execute() override;

private:
    // Looks the block tag up (once) and reads it; its value 0 enables the device, any other
    // value disables it. Called under TagLock.
    void CheckBlockTag(TDevice& device);
    // The window's texts and the shared terminal section for a disabled device.
    void PublishDisabled(const TDeviceListItem& entry);
    void WriteTerminalSection(const TDeviceListItem& entry, const std::string& text);
    // The command terminal's closing lines and their hand-over to the window.
    void CloseCommand(TDeviceListItem& entry, uint32_t startTick);
    void FlushUnderLock();
};
