// A private temporary directory for one test, removed with everything in it afterwards.
// Named after the process and a counter so parallel test processes never share one.
#pragma once

#include <string>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    // Path of a file inside the directory.
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;

private:
    std::string FPath;
};
