// A fixture that gives each test its own VANTORELIX_INSTANCE (so named blocks and windows of
// parallel runs never meet) and ends every child process the test started.
#pragma once

#include "platform/Process.h"
#include "platform/SharedMemory.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

class TInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        Instance = "t" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        setenv("VANTORELIX_INSTANCE", Instance.c_str(), 1);
        Runtime = platform::RuntimeDirectory();
        ASSERT_FALSE(Runtime.empty());
    }

    void TearDown() override {
        for (uint32_t pid : Children) {
            platform::KillProcess(pid);
            platform::WaitProcess(pid, 5000, nullptr);
        }
        std::error_code ec;
        std::filesystem::remove_all(Runtime, ec);
        // Blocks a failed test left behind.
        const std::string prefix = "vantorelix-" + Instance + ".";
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                shm_unlink(("/" + entry.path().filename().string()).c_str());
        unsetenv("VANTORELIX_INSTANCE");
    }

    // Starts the peer program with the given command; 0 when it could not be started.
    uint32_t StartPeer(const std::vector<std::string>& args) {
        uint32_t pid = 0;
        if (!platform::StartProcess(PLATFORM_PEER_PATH, args, &pid))
            return 0;
        Children.push_back(pid);
        return pid;
    }

    // Exit code of a peer, or -1000 when it did not end within the bound.
    static int ExitCode(uint32_t pid, uint32_t timeoutMs = 10000) {
        int code = -1000;
        if (!platform::WaitProcess(pid, timeoutMs, &code))
            return -1000;
        return code;
    }

    std::string Instance;
    std::string Runtime;
    std::vector<uint32_t> Children;
};
