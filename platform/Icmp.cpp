// ICMP echo (stub).
#include "platform/Icmp.h"

namespace platform {

bool IcmpEcho(uint32_t, uint32_t, TIcmpReply*) {
    return false;
}

} // namespace platform
