// Received values and their flush into the static tags.
#include "core/polling/ReceiveVariables.h"

#include "core/intercom/IntercomInterface.h"
#include "core/polling/PollingMessages.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"
#include "platform/Ticks.h"

#include <new>

namespace {
constexpr size_t ShortTextLength = 255;
} // namespace

bool AddReceived(TReceiveVariables& received, std::string_view prefix, int32_t device, float value,
                 std::string_view strAddress, int32_t address) {
    try {
        auto* record =
            new TReceivedValue{std::string(prefix.substr(0, ShortTextLength)), device, address,
                               std::string(strAddress.substr(0, ShortTextLength)), value};
        received.Insert(record);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FlushReceived(TReceiveVariables& received) {
    TServerRuntime& runtime = ServerRuntime();
    TVariableIndex* index = runtime.VariableIndex.load();
    TIntercomInterface* channel = runtime.Channel.load();
    if (index == nullptr || channel == nullptr || !channel->IsMapped()) {
        runtime.ReportText(-20, PollingMessages().ServerDataMissing);
        received.FreeAll();
        return false;
    }
    if (received.Count() == 0 || index->Count() == 0) {
        received.FreeAll();
        return true;
    }
    // The queue is walked in order and emptied at the end (also when a write throws): removing
    // the oldest record one at a time would move the whole queue for every value.
    bool result = true;
    const double now = platform::Now();
    try {
        for (int32_t i = 0; i < received.Count(); ++i) {
            const TReceivedValue* value = received.Item(i);
            if (!index->SetTagValue(value->Prefix, value->Device, value->Address, value->StrAddress,
                                    value->Value, now)) {
                runtime.ReportText(-21, PollingMessages().TagWriteFailed + value->Prefix +
                                            ": DEVICE=" + std::to_string(value->Device) +
                                            " ADDRESS=" + std::to_string(value->Address));
                result = false;
            }
        }
    } catch (...) {
        received.FreeAll();
        throw;
    }
    received.FreeAll();
    return result;
}
