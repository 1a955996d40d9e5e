// The imitated tags of a device.
#include "core/polling/ImitatorVariables.h"

#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"
#include "platform/AnsiText.h"

void TImitatorVariableList::Build(int32_t deviceAddress, std::string_view routingPrefix) {
    const TVariableIndex* index = ServerRuntime().VariableIndex.load();
    if (index == nullptr) {
        return;
    }
    for (int32_t i = 0; i < index->Count(); ++i) {
        const TTagIndexEntry* entry = index->Entry(i);
        if (entry->Device == deviceAddress &&
            platform::AnsiCompareText(entry->Prefix, routingPrefix) == 0 &&
            (entry->TypeCode == 0 || entry->TypeCode == 1)) {
            Insert(new TImitatorVariable{i, 0});
        }
    }
}
