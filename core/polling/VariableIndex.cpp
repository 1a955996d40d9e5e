// The routing index of the static tags.
#include "core/polling/VariableIndex.h"

#include "core/errors/DriverError.h"
#include "core/intercom/IntercomInterface.h"
#include "core/polling/PollingMessages.h"
#include "core/polling/Routing.h"
#include "core/polling/ServerRuntime.h"
#include "platform/AnsiText.h"
#include "platform/Ticks.h"

#include <charconv>
#include <memory>

namespace {

constexpr size_t ShortTextLength = 255;

// "PREFIX=" 255 " DEVICE=" 11 " ADDRESS=" 11 " STRADDRESS=" 255
constexpr size_t KeyCapacity = 7 + ShortTextLength + 8 + 11 + 9 + 11 + 12 + ShortTextLength;

std::string_view TrimmedView(std::string_view text) {
    while (!text.empty() && uint8_t(text.front()) <= 32) {
        text.remove_prefix(1);
    }
    while (!text.empty() && uint8_t(text.back()) <= 32) {
        text.remove_suffix(1);
    }
    return text;
}

// The key is written into a buffer on the caller's stack: look-ups run for every received value,
// and a formatted std::string per value would cost an allocation each.
class TKeyBuffer {
public:
    TKeyBuffer(std::string_view prefix, int32_t device, int32_t address,
               std::string_view strAddress) {
        Append("PREFIX=");
        // The index holds prefixes as the plug-in binds them: trimmed and upper-cased. A device
        // configured with " snmp1 " still reaches the tags it was bound to.
        AppendUpper(TrimmedView(prefix).substr(0, ShortTextLength));
        Append(" DEVICE=");
        AppendNumber(device);
        Append(" ADDRESS=");
        AppendNumber(address);
        Append(" STRADDRESS=");
        AppendUpper(strAddress.substr(0, ShortTextLength));
    }
    std::string_view View() const { return {FText, FLength}; }

private:
    void Append(std::string_view text) {
        for (char c : text) {
            FText[FLength++] = c;
        }
    }
    void AppendUpper(std::string_view text) {
        for (char c : text) {
            FText[FLength++] = platform::AnsiUpperChar(c);
        }
    }
    void AppendNumber(int32_t value) {
        const auto result = std::to_chars(FText + FLength, FText + KeyCapacity, value);
        FLength = size_t(result.ptr - FText);
    }

    char FText[KeyCapacity];
    size_t FLength = 0;
};

int32_t CompareKeys(std::string_view a, std::string_view b) {
    // std::string_view compares as unsigned bytes (char_traits<char>::compare is memcmp).
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TIntercomInterface* Channel() {
    TIntercomInterface* channel = ServerRuntime().Channel.load();
    return channel != nullptr && channel->IsMapped() ? channel : nullptr;
}

} // namespace

std::string MakeTagKey(std::string_view prefix, int32_t device, int32_t address,
                       std::string_view strAddress) {
    return std::string(TKeyBuffer(prefix, device, address, strAddress).View());
}

TVariableIndex::TVariableIndex() : TSortedArray(1024) {}

TVariableIndex::~TVariableIndex() {
    FreeAll();
}

void TVariableIndex::FreeItem(void* item) {
    delete static_cast<TTagIndexEntry*>(item);
}

int32_t TVariableIndex::Compare(void* key1, void* key2) {
    return CompareKeys(*static_cast<const std::string_view*>(key1),
                       *static_cast<const std::string_view*>(key2));
}

void* TVariableIndex::KeyOf(void* item) {
    return &static_cast<TTagIndexEntry*>(item)->KeyView;
}

bool TVariableIndex::Build() {
    FreeAll();
    TIntercomInterface* channel = Channel();
    if (channel == nullptr) {
        return false;
    }
    const int32_t count = channel->StaticTags.Count();
    TDMLVariable record;
    for (int32_t i = 0; i < count; ++i) {
        if (!channel->StaticTags.GetRecord(i, record)) {
            continue;
        }
        auto entry = std::make_unique<TTagIndexEntry>();
        if (!ParseRouting(platform::Trim(record.Info.Routing.Get()), entry->Prefix, entry->Device,
                          entry->StrAddress, entry->Address)) {
            continue;
        }
        entry->Prefix.resize(std::min(entry->Prefix.size(), ShortTextLength));
        entry->StrAddress.resize(std::min(entry->StrAddress.size(), ShortTextLength));
        entry->StaticIndex = i;
        entry->Invert = record.Info.Inverse.Get() != 0;
        entry->TypeCode = record.Info.TypeCode;
        entry->SetKey(MakeTagKey(entry->Prefix, entry->Device, entry->Address, entry->StrAddress));
        int32_t position = 0;
        if (Search(&entry->KeyView, position)) {
            continue; // the first tag with this routing address keeps it
        }
        AtInsert(position, entry.release());
    }
    return true;
}

TTagIndexEntry* TVariableIndex::Find(std::string_view prefix, int32_t device, int32_t address,
                                     std::string_view strAddress) {
    const TKeyBuffer buffer(prefix, device, address, strAddress);
    std::string_view key = buffer.View();
    int32_t position = 0;
    return Search(&key, position) ? Entry(position) : nullptr;
}

bool TVariableIndex::SetTagValue(std::string_view prefix, int32_t device, int32_t address,
                                 std::string_view strAddress, float value) {
    return SetTagValue(prefix, device, address, strAddress, value, platform::Now());
}

bool TVariableIndex::SetTagValue(std::string_view prefix, int32_t device, int32_t address,
                                 std::string_view strAddress, float value, double time) {
    TIntercomInterface* channel = Channel();
    if (channel == nullptr || Count() == 0) {
        return false;
    }
    const TTagIndexEntry* entry = Find(prefix, device, address, strAddress);
    if (entry == nullptr) {
        return true;
    }
    TDMLVariable record;
    if (!channel->StaticTags.GetRecord(entry->StaticIndex, record)) {
        ServerRuntime().ReportText(-22, PollingMessages().TagInfoFailed);
        return false;
    }
    const float scale = record.Info.Scale.Get();
    if (scale != 0) {
        value = value / scale;
    }
    if (entry->Invert) {
        value = value == 0 ? 1.0f : 0.0f;
    }
    return channel->StaticTags.SetValue(entry->StaticIndex, value, time);
}

bool TVariableIndex::GetTagRecord(std::string_view prefix, int32_t device, int32_t address,
                                  std::string_view strAddress, TDMLVariable& record) {
    TIntercomInterface* channel = Channel();
    const TTagIndexEntry* entry = Find(prefix, device, address, strAddress);
    return channel != nullptr && entry != nullptr &&
           channel->StaticTags.GetRecord(entry->StaticIndex, record);
}
