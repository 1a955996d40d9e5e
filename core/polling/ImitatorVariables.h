// TImitatorVariableList: the tags a device imitates when the driver runs in imitator mode, each
// with the step of the ramp it walks from one bound of the tag's range to the other.
#pragma once

#include "core/collections/Collections.h"

#include <cstdint>
#include <string_view>

struct TImitatorVariable {
    int32_t EntryIndex = -1; // position in the variable index
    int32_t Step = 0;        // 0..100: the value is Bound1 + (Bound2 - Bound1) * Step / 100
};

class TImitatorVariableList : public TBaseArray {
public:
    ~TImitatorVariableList() override { FreeAll(); }

    void FreeItem(void* item) override { delete static_cast<TImitatorVariable*>(item); }
    TImitatorVariable* Item(int32_t i) const { return static_cast<TImitatorVariable*>(At(i)); }

    // Appends, in index order, every entry of the installed variable index with this device
    // address and prefix (letter case ignored) whose kernel type code is 0 or 1; Step 0.
    void Build(int32_t deviceAddress, std::string_view routingPrefix);
};
