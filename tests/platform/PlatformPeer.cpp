// The other process in the platform tests: creates or opens a block, registers a window,
// reports its descriptors. Commands come on the command line; results are exit codes and
// bytes in the shared block. Every wait is bounded so a forgotten peer ends by itself.
#include "PlatformPeer.h"
#include "platform/Process.h"
#include "platform/SharedMemory.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr uint32_t kLifetimeMs = 20000;

using namespace peer;

int ShmCode(TShmResult result) {
    switch (result) {
    case TShmResult::AlreadyExists:
        return kAlreadyExists;
    case TShmResult::NotFound:
        return kNotFound;
    default:
        return kFailed;
    }
}

// Waits until data[index] == value; false after the bound.
bool AwaitByte(const TSharedMemory& block, size_t index, uint8_t value) {
    uint32_t start = GetTickCount();
    while (TicksSince(start) < kLifetimeMs) {
        if (__atomic_load_n(block.Data() + index, __ATOMIC_ACQUIRE) == value)
            return true;
        Sleep(1);
    }
    return false;
}

void Store(const TSharedMemory& block, size_t index, uint8_t value) {
    __atomic_store_n(block.Data() + index, value, __ATOMIC_RELEASE);
}

// create NAME SIZE: byte 0 := 0xA1; waits for byte 1 == 0xB2 from the other side, answers
// byte 2 := 0xC3; then stays until byte 3 == 1 (exit 0) or the lifetime ends.
int CreateBlock(const std::string& name, size_t size) {
    TShmResult result;
    auto block = TSharedMemory::Create(name, size, &result);
    if (!block)
        return ShmCode(result);
    Store(*block, 0, 0xA1);
    if (!AwaitByte(*block, 1, 0xB2))
        return kTimeout;
    Store(*block, 2, 0xC3);
    return AwaitByte(*block, 3, 1) ? kOk : kTimeout;
}

// open NAME: expects byte 0 == 0xA1 from the creator, writes byte 1 := 0xB2 and waits for
// byte 2 == 0xC3.
int OpenBlock(const std::string& name) {
    TShmResult result;
    auto block = TSharedMemory::Open(name, false, &result);
    if (!block)
        return ShmCode(result);
    if (block->Data()[0] != 0xA1)
        return kFailed;
    Store(*block, 1, 0xB2);
    return AwaitByte(*block, 2, 0xC3) ? kOk : kTimeout;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp";
    FILE* f = fopen(temp.c_str(), "w");
    if (!f)
        return false;
    fputs(text.c_str(), f);
    fclose(f);
    return rename(temp.c_str(), path.c_str()) == 0;
}

// window FILE: registers a window, writes its handle to FILE and pumps messages until a
// WM_CLOSE arrives (exit 42); a posted WM_USER+1 makes it write lParam to FILE.wparam.
int RunWindow(const std::string& file) {
    bool closed = false;
    HWND hwnd = CreateWindowHandle([&](HWND, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
        if (msg == WM_CLOSE)
            closed = true;
        if (msg == WM_USER + 1)
            WriteFileAtomically(file + ".message",
                                std::to_string(wParam) + " " + std::to_string(lParam));
        return intptr_t(0);
    });
    if (hwnd == 0 || !WriteFileAtomically(file, std::to_string(hwnd)))
        return kFailed;
    uint32_t start = GetTickCount();
    while (!closed && TicksSince(start) < kLifetimeMs)
        WaitMessage(100);
    return closed ? kGotClose : kTimeout;
}

// fds: the number of open descriptors beyond 0..2 (the directory listing's own excluded).
int CountDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return kFailed;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        int fd = atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(dir))
            ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return kUsage;
    const std::string& command = args[0];
    if (command == "create" && args.size() == 3)
        return CreateBlock(args[1], std::stoul(args[2]));
    if (command == "open" && args.size() == 2)
        return OpenBlock(args[1]);
    if (command == "window" && args.size() == 2)
        return RunWindow(args[1]);
    if (command == "fds")
        return CountDescriptors();
    if (command == "exit" && args.size() == 2)
        return std::atoi(args[1].c_str());
    if (command == "sleep") {
        Sleep(kLifetimeMs);
        return kOk;
    }
    if (command == "args" && args.size() >= 2) {
        // args FILE A...: writes each A on its own line to FILE.
        std::string text;
        for (size_t i = 2; i < args.size(); ++i)
            text += args[i] + "\n";
        return WriteFileAtomically(args[1], text) ? kOk : kFailed;
    }
    return kUsage;
}
