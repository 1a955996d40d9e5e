// The command hand-over with the shared command section.
#include "core/polling/DeviceCommands.h"

#include "core/driver/DeviceList.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ServerRuntime.h"
#include "platform/AnsiText.h"

namespace {

TIntercomInterface* Channel() {
    TIntercomInterface* channel = ServerRuntime().Channel.load();
    return channel != nullptr && channel->IsMapped() ? channel : nullptr;
}

std::string TargetPrefix(const TCommandsList& section) {
    return platform::Trim(section.GetDeviceName());
}

} // namespace

int32_t PendingCommandDevice(const TDeviceList& devices) {
    const TIntercomInterface* channel = Channel();
    if (channel == nullptr || channel->Commands.Count() == 0 ||
        channel->Commands.GetState() != CommandPosted) {
        return -1;
    }
    const std::string target = TargetPrefix(channel->Commands);
    const int32_t address = channel->Commands.GetDeviceAddress();
    for (int32_t i = 0; i < devices.Count(); ++i) {
        const TDevice* device = devices.Device(i);
        if (device != nullptr && device->DeviceAddress == address &&
            platform::Trim(platform::AnsiUpperCase(device->RoutingPrefix)) == target) {
            return i;
        }
    }
    return -1;
}

void FetchCommands(TDeviceCommandsList& commands, std::string_view routingPrefix,
                   int32_t deviceAddress) {
    TIntercomInterface* channel = Channel();
    if (channel == nullptr || channel->Commands.Count() == 0) {
        return;
    }
    TCommandsList& section = channel->Commands;
    if (section.GetState() != CommandPosted || section.GetDeviceAddress() != deviceAddress ||
        TargetPrefix(section) != platform::Trim(platform::AnsiUpperCase(routingPrefix))) {
        return;
    }
    // The plug-in writes nothing while the batch is posted, so the copy taken now is the batch.
    section.Snapshot(commands.Snapshot);
    const int32_t count = commands.Snapshot.UsedCount();
    for (int32_t i = 0; i < count; ++i) {
        commands.Insert(new TCommandRecord(commands.Snapshot.Commands[i]));
    }
    section.SetState(CommandTaken);
}

void AcknowledgeCommands(TDeviceCommandsList& commands) {
    TIntercomInterface* channel = Channel();
    if (channel != nullptr && channel->Commands.GetState() == CommandTaken) {
        channel->Commands.SetState(CommandDone);
        commands.AckPending = false;
    }
}
