#include "tests/core/driver/TempDir.h"

#include "platform/Process.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TTempDir::TTempDir() {
    static int counter = 0;
    FPath = (fs::temp_directory_path() /
             ("plinvar-driver-" + std::to_string(platform::GetCurrentProcessId()) + "-" +
              std::to_string(++counter)))
                .string();
    fs::remove_all(FPath);
    fs::create_directories(FPath);
}

TTempDir::~TTempDir() {
    std::error_code error;
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(FPath, error);
}

void TTempDir::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TTempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
