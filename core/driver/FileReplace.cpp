// Whole-file reading and replacing through the standard library.
#include "core/driver/FileReplace.h"

#include "platform/FileReplace.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

bool ReadWholeFile(const std::string& fileName, std::string& content) {
    std::error_code error;
    if (!fs::is_regular_file(fs::path(fileName), error)) {
        return false;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool ReplaceWholeFile(const std::string& fileName, const std::string& content) {
    if (fs::path(fileName).filename().empty()) {
        return false;
    }
    return platform::ReplaceFile(fileName, content);
}
