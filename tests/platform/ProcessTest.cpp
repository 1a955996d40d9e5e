// Processes: starting with arguments, exit codes, liveness of exited and killed children,
// and that a child inherits none of our descriptors.
#include "platform/Process.h"

#include "PlatformPeer.h"
#include "TempDir.h"
#include "TestInstance.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

using namespace platform;

namespace {

using ProcessTest = TInstanceTest;

TEST_F(ProcessTest, OwnIdentityAndExecutable) {
    EXPECT_EQ(GetCurrentProcessId(), uint32_t(getpid()));
    EXPECT_TRUE(IsProcessAlive(GetCurrentProcessId()));
    std::string path = GetExecutablePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_tests");
    EXPECT_EQ(GetExecutableDirectory() + "platform_tests", path);
    EXPECT_EQ(access(path.c_str(), X_OK), 0);
}

TEST_F(ProcessTest, ArgumentsArriveUnchanged) {
    TTempDir dir;
    const std::vector<std::string> words = {"C:\\Vantorelix\\Plinvar.cfg", "two words", "",
                                            "\"quoted\"", "$HOME"};
    std::vector<std::string> args = {"args", dir.File("out")};
    args.insert(args.end(), words.begin(), words.end());
    uint32_t pid = StartPeer(args);
    ASSERT_NE(pid, 0u);
    ASSERT_EQ(ExitCode(pid), peer::kOk);
    std::string expected;
    for (const std::string& w : words)
        expected += w + "\n";
    EXPECT_EQ(TTempDir::Read(dir.File("out")), expected);
}

TEST_F(ProcessTest, ExitCodesAndSignals) {
    uint32_t pid = StartPeer({"exit", "7"});
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(ExitCode(pid), 7);

    uint32_t sleeper = StartPeer({"sleep"});
    ASSERT_NE(sleeper, 0u);
    int code = 0;
    EXPECT_FALSE(WaitProcess(sleeper, 50, &code)); // bounded: still running
    EXPECT_TRUE(IsProcessAlive(sleeper));
    EXPECT_TRUE(KillProcess(sleeper));
    EXPECT_EQ(ExitCode(sleeper), 128 + 9);
}

TEST_F(ProcessTest, ExitedChildIsNotAliveAndKeepsItsExitCode) {
    uint32_t pid = StartPeer({"exit", "3"});
    ASSERT_NE(pid, 0u);
    // The child becomes a zombie until someone reaps it; liveness must not count it.
    uint32_t start = GetTickCount();
    while (IsProcessAlive(pid) && TicksSince(start) < 10000)
        Sleep(2);
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_EQ(ExitCode(pid, 100), 3);
}

TEST_F(ProcessTest, KilledChildIsNotAlive) {
    uint32_t pid = StartPeer({"sleep"});
    ASSERT_NE(pid, 0u);
    ASSERT_TRUE(KillProcess(pid));
    uint32_t start = GetTickCount();
    while (IsProcessAlive(pid) && TicksSince(start) < 10000)
        Sleep(2);
    EXPECT_FALSE(IsProcessAlive(pid));
}

TEST_F(ProcessTest, NoSuchProcess) {
    for (uint32_t pid : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        EXPECT_FALSE(IsProcessAlive(pid)) << pid;
        EXPECT_FALSE(KillProcess(pid)) << pid;
    }
    EXPECT_FALSE(WaitProcess(0, 10, nullptr));
    // A process that is not there has ended; its exit code is unknown.
    int code = 0;
    EXPECT_TRUE(WaitProcess(0x7FFFFFFF, 10, &code));
    EXPECT_EQ(code, -1);
    uint32_t pid = 0;
    EXPECT_FALSE(StartProcess("/nonexistent/program", {}, &pid));
    TTempDir dir;
    std::string notExecutable = dir.Write("plain.txt", "text");
    EXPECT_FALSE(StartProcess(notExecutable, {}, &pid));
}

TEST_F(ProcessTest, ChildInheritsNoDescriptors) {
    // A descriptor opened without close-on-exec, as a library might leave one.
    int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    uint32_t pid = StartPeer({"fds"});
    close(leaky);
    close(pipes[0]);
    close(pipes[1]);
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(ExitCode(pid), 0);
}

class TFakeProcesses : public TProcesses {
public:
    std::vector<uint32_t> Alive;
    bool IsAlive(uint32_t pid) override {
        return std::find(Alive.begin(), Alive.end(), pid) != Alive.end();
    }
    bool Start(const std::string&, const std::vector<std::string>&, uint32_t* pid) override {
        Alive.push_back(4242);
        *pid = 4242;
        return true;
    }
    bool Wait(uint32_t, uint32_t, int*) override { return false; }
    bool Kill(uint32_t pid) override {
        auto it = std::find(Alive.begin(), Alive.end(), pid);
        if (it == Alive.end())
            return false;
        Alive.erase(it);
        return true;
    }
};

TEST_F(ProcessTest, AFakeStandsInForTheSystem) {
    TFakeProcesses fake;
    SetProcesses(&fake);
    uint32_t pid = 0;
    EXPECT_TRUE(StartProcess("Plinvar.srv", {}, &pid));
    EXPECT_EQ(pid, 4242u);
    EXPECT_TRUE(IsProcessAlive(4242));
    EXPECT_TRUE(KillProcess(4242));
    EXPECT_FALSE(IsProcessAlive(4242));
    SetProcesses(nullptr);
    EXPECT_TRUE(IsProcessAlive(GetCurrentProcessId()));
}

} // namespace
