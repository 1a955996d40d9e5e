// Window handles and messages as the driver uses them: a window bound to a thread's queue,
// SendMessage/PostMessage, IsWindow and WM_CLOSE across processes, timers, pumping while waiting.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

using HWND = uint32_t;

constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t INFINITE = 0xFFFFFFFF;

using TWindowProc =
    std::function<intptr_t(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam)>;

// A new window bound to the calling thread's queue, visible to other processes (IsWindow,
// PostMessage). 0 on failure. Handles are non-zero and unique on the machine.
HWND CreateWindowHandle(TWindowProc proc);

// Removes the window: its timers stop, pending and later messages to it are dropped, a
// SendMessage waiting on it returns 0. Any thread may call it.
void DestroyWindowHandle(HWND hwnd);

// True while hwnd is a live window of this or of another process.
bool IsWindow(HWND hwnd);

// Windows of this process only. From the owning thread the procedure is called directly; from
// another thread the message is queued and the caller waits for the result, answering the
// messages sent to its own thread meanwhile. 0 when the window is gone or goes away.
intptr_t SendMessage(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// SendMessage with a bound: false when the window is gone or no answer came within timeoutMs
// (INFINITE: no bound). A message withdrawn unanswered is not delivered later; one already
// being handled finishes and its answer is dropped.
bool SendMessageTimeout(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                        uint32_t timeoutMs, intptr_t* result);

// Queues and returns; to another process's window one datagram is sent. False when hwnd is no
// window.
bool PostMessage(HWND hwnd, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// True inside a window procedure while it handles a message posted by another process: such a
// message's parameters are plain numbers, never addresses in this process.
bool InForeignMessage();

// Dispatches everything pending for the calling thread (sent, posted, due timers) without
// waiting; true when something was dispatched.
bool ProcessMessages();

// Waits at most timeoutMs for a message for the calling thread and dispatches what is pending;
// true when something was dispatched.
bool WaitMessage(uint32_t timeoutMs);

// A descriptor that is readable while the calling thread has messages (or a due timer);
// for a QSocketNotifier, whose handler then calls ProcessMessages. -1 on failure.
int QueueDescriptor();

// WM_TIMER (wParam = id) through the owning thread's queue every intervalMs; setting an
// existing id again restarts it with the new interval.
bool SetTimer(HWND hwnd, uint32_t id, uint32_t intervalMs);
bool KillTimer(HWND hwnd, uint32_t id);

} // namespace platform
