// The server program's entry with real processes: it starts only beside its configuration file
// and with the plug-in's block, serves a block alone, takes over a dead server's slot, and
// withdraws from slot 0 when it is closed.
#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char* BlockName = "Plinvar.dat";

class ServerEntry : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Instance = std::string("srv") + std::to_string(platform::GetCurrentProcessId()) + "-" +
                   info->name();
        ::setenv("VANTORELIX_INSTANCE", Instance.c_str(), 1);
        Dir = fs::temp_directory_path() / ("plinvar-" + Instance);
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        fs::copy_file(PLINVAR_SERVER, Dir / "Plinvar.srv");
        fs::permissions(Dir / "Plinvar.srv", fs::perms::owner_all);
    }

    void TearDown() override {
        for (uint32_t pid : Started) {
            if (platform::IsProcessAlive(pid)) {
                platform::KillProcess(pid);
                int code = 0;
                platform::WaitProcess(pid, 5000, &code);
            }
        }
        Block.reset();
        if (HostWindow != 0) {
            platform::DestroyWindowHandle(HostWindow);
        }
        fs::remove_all(Dir);
        ::unsetenv("VANTORELIX_INSTANCE");
    }

    void WriteConfig() {
        std::ofstream(Dir / "Plinvar.cfg") << "<SNMP>\n</SNMP>\n";
        // No start-up pause: these tests look at the entry, not at the window's start-up.
        std::ofstream(Dir / "Plinvar.ini") << "[server]\ndelay_on_start=0\n";
    }

    void CreateBlock() {
        Block = TIntercomInterface::Create(BlockName, 0);
        ASSERT_TRUE(Block->IsMapped());
        SetServerSlot(0);
        // A live kernel window: without one the server closes itself on its first tick.
        if (HostWindow == 0) {
            HostWindow = platform::CreateWindowHandle(
                [](platform::HWND, uint32_t, uintptr_t, intptr_t) { return intptr_t(0); });
        }
        Block->Info.SetHostWindow(HostWindow);
    }

    uint32_t StartServer(std::vector<std::string> args = {}) {
        uint32_t pid = 0;
        EXPECT_TRUE(platform::StartProcess((Dir / "Plinvar.srv").string(), args, &pid));
        Started.push_back(pid);
        return pid;
    }

    // Waits until slot 0 names `pid` with Active 1; false after the bound.
    bool WaitRegistered(uint32_t pid, uint32_t boundMs = 20000) {
        const uint32_t start = platform::GetTickCount();
        while (platform::TicksSince(start) < boundMs) {
            const auto& slot = Block->ServerData;
            if (slot.GetProcessId() == pid && slot.GetWindowHandle() != 0 &&
                slot.GetActive() == 1) {
                return true;
            }
            platform::Sleep(20);
        }
        return false;
    }

    std::string Instance;
    fs::path Dir;
    std::unique_ptr<TIntercomInterface> Block;
    std::vector<uint32_t> Started;
    platform::HWND HostWindow = 0;
};

TEST_F(ServerEntry, EndsAtOnceWithoutItsFilesOrBlock) {
    struct Case {
        const char* Name;
        bool Config;
        bool Block;
    };
    const Case cases[] = {{"no configuration, block", false, true},
                          {"configuration, no block", true, false},
                          {"neither", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(Dir / "Plinvar.cfg");
        Block.reset();
        if (c.Config) {
            WriteConfig();
        }
        if (c.Block) {
            CreateBlock();
        }
        const uint32_t pid = StartServer();
        int code = -1;
        ASSERT_TRUE(platform::WaitProcess(pid, 10000, &code));
        EXPECT_EQ(code, 0);
        if (Block != nullptr) {
            EXPECT_EQ(Block->ServerData.GetProcessId(), 0u);
            EXPECT_EQ(Block->ServerData.GetWindowHandle(), 0u);
            EXPECT_EQ(Block->ServerData.GetActive(), 0);
        }
    }
}

TEST_F(ServerEntry, RegistersInSlotZeroAndWithdrawsOnClose) {
    WriteConfig();
    CreateBlock();
    // The plug-in passes the configuration path; the server does not read it.
    const uint32_t pid = StartServer({"\"" + (Dir / "Plinvar.cfg").string() + "\""});
    ASSERT_TRUE(WaitRegistered(pid));
    const platform::HWND window = Block->ServerData.GetWindowHandle();
    EXPECT_TRUE(platform::IsWindow(window));

    ASSERT_TRUE(platform::PostMessage(window, platform::WM_CLOSE, 0, 0));
    int code = -1;
    ASSERT_TRUE(platform::WaitProcess(pid, 15000, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Block->ServerData.GetProcessId(), 0u);
    EXPECT_EQ(Block->ServerData.GetWindowHandle(), 0u);
    EXPECT_EQ(Block->ServerData.GetActive(), 0);
    EXPECT_FALSE(platform::IsWindow(window));
}

TEST_F(ServerEntry, SecondServerLeavesALiveServerAlone) {
    WriteConfig();
    CreateBlock();
    const uint32_t first = StartServer();
    ASSERT_TRUE(WaitRegistered(first));
    const platform::HWND window = Block->ServerData.GetWindowHandle();

    const uint32_t second = StartServer();
    int code = -1;
    ASSERT_TRUE(platform::WaitProcess(second, 10000, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Block->ServerData.GetProcessId(), first);
    EXPECT_EQ(Block->ServerData.GetWindowHandle(), window);
    EXPECT_EQ(Block->ServerData.GetActive(), 1);
    EXPECT_TRUE(platform::IsProcessAlive(first));
}

TEST_F(ServerEntry, TakesOverASlotOfADeadServer) {
    WriteConfig();
    CreateBlock();
    // A server that was killed leaves its process id and window in the slot.
    const uint32_t dead = StartServer();
    ASSERT_TRUE(WaitRegistered(dead));
    const platform::HWND deadWindow = Block->ServerData.GetWindowHandle();
    ASSERT_TRUE(platform::KillProcess(dead));
    int code = 0;
    ASSERT_TRUE(platform::WaitProcess(dead, 5000, &code));
    ASSERT_EQ(Block->ServerData.GetProcessId(), dead);

    struct Case {
        const char* Name;
        uint32_t ProcessId;
        platform::HWND Window;
    };
    // A live process whose window is gone does not hold the slot either.
    const Case cases[] = {
        {"dead process, dead window", dead, deadWindow},
        {"live process, dead window", platform::GetCurrentProcessId(), deadWindow}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Block->ServerData.SetProcessId(c.ProcessId);
        Block->ServerData.SetWindowHandle(c.Window);
        Block->ServerData.SetActive(1);
        const uint32_t pid = StartServer();
        ASSERT_TRUE(WaitRegistered(pid));
        EXPECT_NE(Block->ServerData.GetWindowHandle(), c.Window);
        ASSERT_TRUE(
            platform::PostMessage(Block->ServerData.GetWindowHandle(), platform::WM_CLOSE, 0, 0));
        ASSERT_TRUE(platform::WaitProcess(pid, 15000, &code));
    }
}

} // namespace
