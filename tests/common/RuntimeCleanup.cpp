// Linked into every test binary: when the tests end, removes the runtime directories of the
// kernel instances this test process made (their names carry its process id), so test runs do
// not leave /tmp/vantorelix-<uid>-<instance>/ behind. Directories of other processes stay.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

class TRuntimeCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        namespace fs = std::filesystem;
        const std::string prefix = "vantorelix-" + std::to_string(::getuid()) + "-";
        // The process id as a whole number inside the instance name ("t1234-5", "srv1234-Name").
        const std::regex ours("(^|[^0-9])" + std::to_string(::getpid()) + "([^0-9]|$)");
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/tmp", error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0 &&
                std::regex_search(name.substr(prefix.size()), ours)) {
                fs::remove_all(entry.path(), error);
            }
        }
    }
};

const auto* const Registered = ::testing::AddGlobalTestEnvironment(new TRuntimeCleanup);

} // namespace
