// The installed kernel tag calls and the two records they fill.
#include "core/polling/KernelTagApi.h"

#include <cstring>

namespace {
TKernelTagApi InstalledApi;
} // namespace

void SetKernelTagApi(const TKernelTagApi& api) {
    InstalledApi = api;
}

const TKernelTagApi& KernelTagApi() {
    return InstalledApi;
}

bool KernelFindTag(const char* name, int32_t& globalIndex) {
    globalIndex = -1;
    if (InstalledApi.GetTagInfoByName == nullptr || name == nullptr) {
        return false;
    }
    TKernelTagInfo info;
    std::memset(&info, 0, sizeof(info));
    info.Size.Set(int32_t(sizeof(info)));
    if (InstalledApi.GetTagInfoByName(name, &info) != KernelTagOk) {
        return false;
    }
    globalIndex = info.GlobalIndex.Get();
    return true;
}

bool KernelReadTag(int32_t globalIndex, double& value) {
    value = 0;
    if (InstalledApi.GetTagValueByGlobalIndex == nullptr) {
        return false;
    }
    TKernelTagValue record;
    std::memset(&record, 0, sizeof(record));
    record.Size.Set(int32_t(sizeof(record)));
    if (InstalledApi.GetTagValueByGlobalIndex(globalIndex, &record) != KernelTagOk) {
        return false;
    }
    value = record.Value.Get();
    return true;
}
