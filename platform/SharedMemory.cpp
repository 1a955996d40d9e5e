// Named shared memory on POSIX shm objects. The creator holds an open-file-description write
// lock on <runtime>/blocks/<name>.lock for the block's lifetime: the kernel drops it when the
// creator dies, however it dies, so a stale name is told from a live one without trusting pids.
#include "platform/SharedMemory.h"

#include "platform/RuntimeDirectory.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr size_t kMaxNameLength = 200;

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == '\0')
            return false;
    return true;
}

std::string ObjectName(const std::string& name) {
    return "/vantorelix" + InstanceSuffix() + "." + name;
}

std::string LockPath(const std::string& name) {
    std::string dir = RuntimeSubdirectory("blocks");
    return dir.empty() ? std::string() : dir + name + ".lock";
}

struct flock WholeFileLock() {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

bool SameFile(int fd, const std::string& path) {
    struct stat byFd {
    }, byPath{};
    return fstat(fd, &byFd) == 0 && stat(path.c_str(), &byPath) == 0 &&
           byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

// Takes the creator's lock; -1 with *result set when the name is held or on failure. A lock
// file that was unlinked between our open and our lock belongs to a finished creator: retry
// on the file now at the path.
int TakeCreatorLock(const std::string& path, TShmResult* result) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            *result = TShmResult::Failed;
            return -1;
        }
        struct flock lock = WholeFileLock();
        if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
            int error = errno;
            close(fd);
            *result = (error == EAGAIN || error == EACCES) ? TShmResult::AlreadyExists
                                                           : TShmResult::Failed;
            return -1;
        }
        if (SameFile(fd, path))
            return fd;
        close(fd);
    }
    *result = TShmResult::Failed;
    return -1;
}

// True while some creator holds the lock of the name.
bool CreatorAlive(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct flock lock = WholeFileLock();
    bool alive = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return alive;
}

void SetResult(TShmResult* out, TShmResult value) {
    if (out)
        *out = value;
}

} // namespace

std::unique_ptr<TSharedMemory> TSharedMemory::Create(const std::string& name, size_t size,
                                                     TShmResult* result) {
    SetResult(result, TShmResult::Failed);
    if (!ValidName(name) || size == 0)
        return nullptr;
    std::string lockPath = LockPath(name);
    if (lockPath.empty())
        return nullptr;
    TShmResult lockResult = TShmResult::Failed;
    int lockFd = TakeCreatorLock(lockPath, &lockResult);
    if (lockFd < 0) {
        SetResult(result, lockResult);
        return nullptr;
    }

    // We hold the name: whatever object carries it was left by a creator that died.
    std::string objectName = ObjectName(name);
    shm_unlink(objectName.c_str());
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetResult(result, errno == EEXIST ? TShmResult::AlreadyExists : TShmResult::Failed);
        unlink(lockPath.c_str());
        close(lockFd);
        return nullptr;
    }
    void* data = MAP_FAILED;
    if (fchmod(fd, 0600) == 0 && ftruncate(fd, off_t(size)) == 0)
        data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED) {
        shm_unlink(objectName.c_str());
        unlink(lockPath.c_str());
        close(lockFd);
        return nullptr;
    }

    std::unique_ptr<TSharedMemory> block(new TSharedMemory());
    block->FData = static_cast<uint8_t*>(data);
    block->FSize = size;
    block->FCreator = true;
    block->FObjectName = objectName;
    block->FLockFd = lockFd;
    block->FLockPath = lockPath;
    SetResult(result, TShmResult::Ok);
    return block;
}

std::unique_ptr<TSharedMemory> TSharedMemory::Open(const std::string& name, bool readOnly,
                                                   TShmResult* result) {
    SetResult(result, TShmResult::Failed);
    if (!ValidName(name))
        return nullptr;
    std::string lockPath = LockPath(name);
    if (lockPath.empty())
        return nullptr;
    // A block whose creator is gone no longer exists, even if its object was left behind.
    if (!CreatorAlive(lockPath)) {
        SetResult(result, TShmResult::NotFound);
        return nullptr;
    }
    std::string objectName = ObjectName(name);
    int fd = shm_open(objectName.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC, 0);
    if (fd < 0) {
        SetResult(result, errno == ENOENT ? TShmResult::NotFound : TShmResult::Failed);
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        // Size 0: the creator has not sized it yet; to the caller it is not there yet.
        SetResult(result, TShmResult::NotFound);
        close(fd);
        return nullptr;
    }
    size_t size = size_t(st.st_size);
    void* data =
        mmap(nullptr, size, readOnly ? PROT_READ : PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED)
        return nullptr;

    std::unique_ptr<TSharedMemory> block(new TSharedMemory());
    block->FData = static_cast<uint8_t*>(data);
    block->FSize = size;
    block->FObjectName = objectName;
    SetResult(result, TShmResult::Ok);
    return block;
}

TSharedMemory::~TSharedMemory() {
    if (FData)
        munmap(FData, FSize);
    if (FCreator) {
        shm_unlink(FObjectName.c_str());
        if (SameFile(FLockFd, FLockPath))
            unlink(FLockPath.c_str());
        close(FLockFd);
    }
}

} // namespace platform
