// Named shared-memory blocks between processes, with the Windows lifetime: the creator's name
// disappears when it closes, and a name left behind by a creator that died is reclaimed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class TShmResult { Ok, AlreadyExists, NotFound, Failed };

class TSharedMemory {
public:
    // A new zero-filled block; refused (AlreadyExists) while a live creator holds the name.
    static std::unique_ptr<TSharedMemory> Create(const std::string& name, size_t size,
                                                 TShmResult* result = nullptr);
    // Maps the whole existing block; NotFound when no creator holds the name.
    static std::unique_ptr<TSharedMemory> Open(const std::string& name, bool readOnly = false,
                                               TShmResult* result = nullptr);

    ~TSharedMemory();
    TSharedMemory(const TSharedMemory&) = delete;
    TSharedMemory& operator=(const TSharedMemory&) = delete;

    uint8_t* Data() const { return FData; }
    size_t Size() const { return FSize; }
    bool IsCreator() const { return FCreator; }

private:
    TSharedMemory() = default;

    uint8_t* FData = nullptr;
    size_t FSize = 0;
    bool FCreator = false;
    std::string FObjectName; // the POSIX object name, unlinked by the creator
    int FLockFd = -1;        // the creator's lock on the name
    std::string FLockPath;
};

// The per-user directory for this instance's named objects: /tmp/vantorelix-<uid><suffix>/
// (with trailing '/'), created with mode 0700; empty when it cannot be made safe (e.g. another
// user owns it).
std::string RuntimeDirectory();

// "" or "-" + $VANTORELIX_INSTANCE: keeps the named objects of parallel instances apart.
std::string InstanceSuffix();

} // namespace platform
