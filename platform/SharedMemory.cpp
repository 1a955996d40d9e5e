// Named shared memory (stub).
#include "platform/SharedMemory.h"

namespace platform {

std::unique_ptr<TSharedMemory> TSharedMemory::Create(const std::string&, size_t,
                                                     TShmResult* result) {
    if (result)
        *result = TShmResult::Failed;
    return nullptr;
}
std::unique_ptr<TSharedMemory> TSharedMemory::Open(const std::string&, bool, TShmResult* result) {
    if (result)
        *result = TShmResult::NotFound;
    return nullptr;
}
TSharedMemory::~TSharedMemory() = default;
std::string RuntimeDirectory() {
    return {};
}
std::string InstanceSuffix() {
    return {};
}

} // namespace platform
