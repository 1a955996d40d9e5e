// The runtime directory: /tmp/vantorelix-<uid><suffix>/, private to the user.
#include "platform/RuntimeDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Creates dir (mode 0700) or accepts an existing one only when it is a real directory of ours
// that nobody else can enter; anything else could let another user plant or read our objects.
bool MakePrivateDirectory(const std::string& dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        return false;
    if ((st.st_mode & 077) != 0 && chmod(dir.c_str(), 0700) != 0)
        return false;
    return true;
}

} // namespace

std::string InstanceSuffix() {
    const char* instance = getenv("VANTORELIX_INSTANCE");
    if (!instance || !*instance)
        return {};
    std::string suffix = instance;
    for (char& c : suffix)
        if (c == '/')
            c = '_';
    return "-" + suffix;
}

std::string RuntimeDirectory() {
    std::string dir = "/tmp/vantorelix-" + std::to_string(getuid()) + InstanceSuffix();
    if (!MakePrivateDirectory(dir))
        return {};
    return dir + "/";
}

std::string RuntimeSubdirectory(std::string_view name) {
    std::string base = RuntimeDirectory();
    if (base.empty())
        return {};
    std::string dir = base + std::string(name);
    if (!MakePrivateDirectory(dir))
        return {};
    return dir + "/";
}

} // namespace platform
