// Paths of the per-user runtime directory shared by the services that name objects
// (blocks, windows); the public part is declared in SharedMemory.h.
#pragma once

#include "platform/SharedMemory.h"

#include <string>
#include <string_view>

namespace platform {

// RuntimeDirectory() + name + '/', created with mode 0700; empty when it cannot be made safe.
std::string RuntimeSubdirectory(std::string_view name);

} // namespace platform
