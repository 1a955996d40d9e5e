// Processes (stub).
#include "platform/Process.h"

namespace platform {

uint32_t GetCurrentProcessId() {
    return 0;
}
bool IsProcessAlive(uint32_t) {
    return false;
}
std::string GetExecutablePath() {
    return {};
}
std::string GetExecutableDirectory() {
    return {};
}
bool StartProcess(const std::string&, const std::vector<std::string>&, uint32_t*) {
    return false;
}
bool WaitProcess(uint32_t, uint32_t, int*) {
    return false;
}
bool KillProcess(uint32_t) {
    return false;
}

} // namespace platform
