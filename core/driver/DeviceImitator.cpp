// Imitator mode: a device queues a ramp over each of its tags' value range instead of polling.
#include "core/driver/Device.h"
#include "core/driver/Driver.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ImitatorVariables.h"
#include "core/polling/ReceiveVariables.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"

#include <charconv>
#include <cmath>

namespace {

// The shortest text that reads back as the same float, without an exponent for ordinary
// magnitudes ("33", "0.1", "-12.5").
std::string ShortestText(float value) {
    char buffer[64];
    const float magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5f && magnitude < 1e15f);
    const auto result =
        plain ? std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

} // namespace

void TDevice::RunImitator(TReceiveVariables& received, TTerminalDataClass* terminal) {
    if (terminal != nullptr) {
        terminal->Add("Imitator start action:");
    }
    const int32_t rate = DriverOptions().ImitatorRate;
    if (rate >= 0) {
        ReqwestInterval = rate;
    }
    if (!ImitatorVariables) {
        ImitatorVariables = std::make_unique<TImitatorVariableList>();
        ImitatorVariables->Build(DeviceAddress, RoutingPrefix);
    }
    const TServerRuntime& runtime = ServerRuntime();
    const TVariableIndex* index = runtime.VariableIndex.load();
    TIntercomInterface* channel = runtime.Channel.load();
    TDMLVariable record;
    for (int32_t i = 0; i < ImitatorVariables->Count(); ++i) {
        TImitatorVariable* item = ImitatorVariables->Item(i);
        const TTagIndexEntry* entry = index != nullptr ? index->Entry(item->EntryIndex) : nullptr;
        if (entry == nullptr || channel == nullptr ||
            !channel->StaticTags.GetRecord(entry->StaticIndex, record)) {
            continue;
        }
        const double bound1 = record.Info.Bound1.Get();
        const double bound2 = record.Info.Bound2.Get();
        const float value = float(bound1 + (bound2 - bound1) * item->Step / 100.0);
        AddReceived(received, entry->Prefix, entry->Device, value, entry->StrAddress,
                    entry->Address);
        if (++item->Step > 100) {
            item->Step = 0;
        }
        if (terminal != nullptr) {
            terminal->Add(record.Info.TagName.Get() + " = " + ShortestText(value));
        }
    }
    if (terminal != nullptr) {
        terminal->Add("Imitator end action.");
    }
}
