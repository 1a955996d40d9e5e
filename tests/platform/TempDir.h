// A temporary directory for one test, removed with everything in it afterwards.
// Keeps file tests independent of each other and of parallel test runs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "plinvar-test-XXXXXX");
        if (mkdtemp(pattern.data()))
            FPath = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        if (!FPath.empty())
            std::filesystem::remove_all(FPath, ec);
    }
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string FPath;
};
