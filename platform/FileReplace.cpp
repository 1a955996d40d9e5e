#include "platform/FileReplace.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(size_t(n));
    }
    return true;
}

} // namespace

bool ReplaceFile(const std::string& path, const std::string& content) {
    std::string temp = path + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    bool ok = WriteAll(fd, content) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

} // namespace platform
