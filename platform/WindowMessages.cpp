// Window messages (stub).
#include "platform/WindowMessages.h"

namespace platform {

HWND CreateWindowHandle(TWindowProc) {
    return 0;
}
void DestroyWindowHandle(HWND) {}
bool IsWindow(HWND) {
    return false;
}
intptr_t SendMessage(HWND, uint32_t, uintptr_t, intptr_t) {
    return 0;
}
bool PostMessage(HWND, uint32_t, uintptr_t, intptr_t) {
    return false;
}
bool ProcessMessages() {
    return false;
}
bool WaitMessage(uint32_t) {
    return false;
}
int QueueDescriptor() {
    return -1;
}
bool SetTimer(HWND, uint32_t, uint32_t) {
    return false;
}
bool KillTimer(HWND, uint32_t) {
    return false;
}

} // namespace platform
