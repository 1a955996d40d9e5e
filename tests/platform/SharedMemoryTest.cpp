// Named blocks: creation, opening, refusal of a live name, reclaim of a dead creator's name,
// and the runtime directory, with real processes where the behaviour crosses them.
#include "platform/SharedMemory.h"

#include "PlatformPeer.h"
#include "TestInstance.h"
#include "platform/Ticks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

using namespace platform;

namespace {

class SharedMemoryTest : public TInstanceTest {
protected:
    static TShmResult CreateResult(const std::string& name) {
        TShmResult result = TShmResult::Ok;
        auto block = TSharedMemory::Create(name, 16, &result);
        return result;
    }

    // Waits until a block of that name can be opened (the peer has created it).
    std::unique_ptr<TSharedMemory> AwaitBlock(const std::string& name) {
        uint32_t start = GetTickCount();
        while (TicksSince(start) < 10000) {
            if (auto block = TSharedMemory::Open(name))
                if (block->Data()[0] == 0xA1)
                    return block;
            Sleep(2);
        }
        return nullptr;
    }

    static void Store(const TSharedMemory& block, size_t index, uint8_t value) {
        __atomic_store_n(block.Data() + index, value, __ATOMIC_RELEASE);
    }
    static bool AwaitByte(const TSharedMemory& block, size_t index, uint8_t value) {
        uint32_t start = GetTickCount();
        while (TicksSince(start) < 10000) {
            if (__atomic_load_n(block.Data() + index, __ATOMIC_ACQUIRE) == value)
                return true;
            Sleep(1);
        }
        return false;
    }
};

TEST_F(SharedMemoryTest, NamesAndModesFollowTheInstance) {
    EXPECT_EQ(InstanceSuffix(), "-" + Instance);
    EXPECT_EQ(Runtime, "/tmp/vantorelix-" + std::to_string(getuid()) + "-" + Instance + "/");
    struct stat st {};
    ASSERT_EQ(stat(Runtime.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    auto block = TSharedMemory::Create("Plinvar.dat", 4096);
    ASSERT_TRUE(block);
    std::string object = "/vantorelix-" + Instance + ".Plinvar.dat";
    int fd = shm_open(object.c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0) << object;
    ASSERT_EQ(fstat(fd, &st), 0);
    close(fd);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 4096);

    unsetenv("VANTORELIX_INSTANCE");
    EXPECT_EQ(InstanceSuffix(), "");
    setenv("VANTORELIX_INSTANCE", Instance.c_str(), 1);
}

TEST_F(SharedMemoryTest, RuntimeDirectoryIsRefusedWhenNotPrivate) {
    // A directory of that name that is no directory of ours (here: a symlink) is not used.
    std::string target = Runtime + "elsewhere";
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    setenv("VANTORELIX_INSTANCE", (Instance + "-link").c_str(), 1);
    std::string linkPath = "/tmp/vantorelix-" + std::to_string(getuid()) + "-" + Instance + "-link";
    ASSERT_EQ(symlink(target.c_str(), linkPath.c_str()), 0);
    EXPECT_EQ(RuntimeDirectory(), "");
    TShmResult result = TShmResult::Ok;
    EXPECT_FALSE(TSharedMemory::Create("x", 16, &result));
    EXPECT_EQ(result, TShmResult::Failed);
    unlink(linkPath.c_str());
    // A directory with loose permissions is tightened.
    ASSERT_EQ(mkdir(linkPath.c_str(), 0755), 0);
    EXPECT_EQ(RuntimeDirectory(), linkPath + "/");
    struct stat st {};
    ASSERT_EQ(stat(linkPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A directory that another user owns is never used, whatever its mode.
    if (getuid() == 0) {
        ASSERT_EQ(chown(linkPath.c_str(), 65534, 65534), 0);
        EXPECT_EQ(RuntimeDirectory(), "");
        EXPECT_EQ(CreateResult("x"), TShmResult::Failed);
    }
    rmdir(linkPath.c_str());
    setenv("VANTORELIX_INSTANCE", Instance.c_str(), 1);
}

TEST_F(SharedMemoryTest, CreateOpenAndCloseInOneProcess) {
    TShmResult result = TShmResult::Failed;
    auto creator = TSharedMemory::Create("Plinvar.dat", 481109, &result);
    ASSERT_TRUE(creator);
    EXPECT_EQ(result, TShmResult::Ok);
    EXPECT_TRUE(creator->IsCreator());
    EXPECT_EQ(creator->Size(), 481109u);
    for (size_t i = 0; i < creator->Size(); i += 997)
        ASSERT_EQ(creator->Data()[i], 0) << i; // a fresh block is zero-filled

    // A second creator of a live name is refused, also inside the same process.
    EXPECT_FALSE(TSharedMemory::Create("Plinvar.dat", 100, &result));
    EXPECT_EQ(result, TShmResult::AlreadyExists);

    auto opener = TSharedMemory::Open("Plinvar.dat", false, &result);
    ASSERT_TRUE(opener);
    EXPECT_FALSE(opener->IsCreator());
    EXPECT_EQ(opener->Size(), 481109u);
    creator->Data()[481108] = 0x5A;
    EXPECT_EQ(opener->Data()[481108], 0x5A);
    opener->Data()[0] = 0x11;
    EXPECT_EQ(creator->Data()[0], 0x11);

    // The creator's close removes the name; the opener keeps a valid view.
    creator.reset();
    EXPECT_EQ(opener->Data()[0], 0x11);
    opener->Data()[1] = 1;
    EXPECT_FALSE(TSharedMemory::Open("Plinvar.dat", false, &result));
    EXPECT_EQ(result, TShmResult::NotFound);
    // The name is free again.
    EXPECT_TRUE(TSharedMemory::Create("Plinvar.dat", 64));
}

TEST_F(SharedMemoryTest, BadArgumentsAreRefused) {
    struct TCase {
        const char* Name;
        size_t Size;
        TShmResult Expected;
    };
    const TCase cases[] = {
        {"", 16, TShmResult::Failed},
        {"a/b", 16, TShmResult::Failed},
        {"..", 16, TShmResult::Failed},
        {"zero", 0, TShmResult::Failed},
    };
    for (const TCase& c : cases) {
        TShmResult result = TShmResult::Ok;
        EXPECT_FALSE(TSharedMemory::Create(c.Name, c.Size, &result)) << c.Name;
        EXPECT_EQ(result, c.Expected) << c.Name;
    }
    TShmResult result = TShmResult::Ok;
    EXPECT_FALSE(TSharedMemory::Open("never-created", false, &result));
    EXPECT_EQ(result, TShmResult::NotFound);
    EXPECT_FALSE(TSharedMemory::Create(std::string(300, 'x'), 16));
}

TEST_F(SharedMemoryTest, ReadOnlyViewSeesWrites) {
    auto creator = TSharedMemory::Create("ro", 32);
    ASSERT_TRUE(creator);
    auto reader = TSharedMemory::Open("ro", true);
    ASSERT_TRUE(reader);
    creator->Data()[5] = 9;
    EXPECT_EQ(reader->Data()[5], 9);
}

TEST_F(SharedMemoryTest, OtherProcessOpensTheBlockAndBothSeeWrites) {
    // Peer creates; we open.
    uint32_t creatorPid = StartPeer({"create", "Plinvar.dat", "1000"});
    ASSERT_NE(creatorPid, 0u);
    auto block = AwaitBlock("Plinvar.dat");
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Size(), 1000u);
    Store(*block, 1, 0xB2);
    EXPECT_TRUE(AwaitByte(*block, 2, 0xC3));
    Store(*block, 3, 1);
    EXPECT_EQ(ExitCode(creatorPid), peer::kOk);

    // We create; the peer opens.
    auto mine = TSharedMemory::Create("Mine.dat", 64);
    ASSERT_TRUE(mine);
    Store(*mine, 0, 0xA1);
    uint32_t openerPid = StartPeer({"open", "Mine.dat"});
    ASSERT_NE(openerPid, 0u);
    ASSERT_TRUE(AwaitByte(*mine, 1, 0xB2));
    Store(*mine, 2, 0xC3);
    EXPECT_EQ(ExitCode(openerPid), peer::kOk);
}

TEST_F(SharedMemoryTest, SecondCreatorOfALiveBlockIsRefused) {
    uint32_t first = StartPeer({"create", "Plinvar.dat", "100"});
    ASSERT_NE(first, 0u);
    auto block = AwaitBlock("Plinvar.dat");
    ASSERT_TRUE(block);
    uint32_t second = StartPeer({"create", "Plinvar.dat", "100"});
    EXPECT_EQ(ExitCode(second), peer::kAlreadyExists);
    TShmResult result = TShmResult::Ok;
    EXPECT_FALSE(TSharedMemory::Create("Plinvar.dat", 100, &result));
    EXPECT_EQ(result, TShmResult::AlreadyExists);
    EXPECT_TRUE(IsProcessAlive(first));
}

TEST_F(SharedMemoryTest, BlockOfAKilledCreatorIsReclaimed) {
    uint32_t victim = StartPeer({"create", "Plinvar.dat", "100"});
    ASSERT_NE(victim, 0u);
    ASSERT_TRUE(AwaitBlock("Plinvar.dat"));
    ASSERT_TRUE(KillProcess(victim));
    ASSERT_TRUE(WaitProcess(victim, 5000, nullptr));

    // The stale name is no block to an opener, and the next creator takes it over with fresh
    // contents of its own size.
    TShmResult result = TShmResult::Ok;
    EXPECT_FALSE(TSharedMemory::Open("Plinvar.dat", false, &result));
    EXPECT_EQ(result, TShmResult::NotFound);
    auto block = TSharedMemory::Create("Plinvar.dat", 200, &result);
    ASSERT_TRUE(block);
    EXPECT_EQ(result, TShmResult::Ok);
    EXPECT_EQ(block->Size(), 200u);
    EXPECT_EQ(block->Data()[0], 0);

    // And a new creator process can reclaim it from us after we are gone too.
    block.reset();
    uint32_t next = StartPeer({"create", "Plinvar.dat", "100"});
    auto reopened = AwaitBlock("Plinvar.dat");
    ASSERT_TRUE(reopened);
    Store(*reopened, 1, 0xB2);
    EXPECT_TRUE(AwaitByte(*reopened, 2, 0xC3));
    Store(*reopened, 3, 1);
    EXPECT_EQ(ExitCode(next), peer::kOk);
}

} // namespace
