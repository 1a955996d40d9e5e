// Whole-file reading and replacing through the standard library.
#include "core/driver/FileReplace.h"

#include "platform/Process.h"

#include <atomic>
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
    static std::atomic<uint32_t> sequence{0};
    const fs::path target(fileName);
    if (target.filename().empty()) {
        return false;
    }
    fs::path temp = target;
    temp += ".tmp" + std::to_string(platform::GetCurrentProcessId()) + "-" +
            std::to_string(sequence.fetch_add(1));
    std::error_code error;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(content.data(), std::streamsize(content.size()));
        out.flush();
        out.close();
        if (!out) {
            fs::remove(temp, error);
            return false;
        }
    }
    // The platform layer offers no flush to the disk yet; the rename alone keeps a reader
    // (or a failed write) from ever seeing a partly written file.
    const fs::file_status old = fs::status(target, error);
    if (!error && fs::exists(old)) {
        fs::permissions(temp, old.permissions(), fs::perm_options::replace, error);
    }
    fs::rename(temp, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}
