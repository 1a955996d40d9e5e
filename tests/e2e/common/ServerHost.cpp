#include "tests/e2e/common/ServerHost.h"

#include "platform/Process.h"
#include "platform/Ticks.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

void TServerHost::SetUp() {
    // Short: window sockets live below the instance's runtime directory, and a socket path has
    // room for 107 bytes only.
    static int counter = 0;
    const std::string instance =
        "e2e" + std::to_string(platform::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    ::setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
    Dir = fs::temp_directory_path() / ("plinvar-" + instance);
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    fs::copy_file(PLINVAR_SERVER, Dir / "Plinvar.srv");
}

void TServerHost::TearDown() {
    if (ServerPid != 0 && platform::IsProcessAlive(ServerPid)) {
        platform::KillProcess(ServerPid);
        int code = 0;
        platform::WaitProcess(ServerPid, 5000, &code);
    }
    Block.reset();
    if (HostWindow != 0) {
        platform::DestroyWindowHandle(HostWindow);
        HostWindow = 0;
    }
    std::error_code error;
    fs::remove_all(Dir, error);
    ::unsetenv("VANTORELIX_INSTANCE");
}

void TServerHost::WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(Dir / name, std::ios::binary) << content;
}

void TServerHost::CreateBlock(int32_t staticCapacity) {
    Block = TIntercomInterface::Create("Plinvar.dat", staticCapacity);
    ASSERT_TRUE(Block->IsMapped());
    SetServerSlot(0);
    HostWindow = platform::CreateWindowHandle(
        [](platform::HWND, uint32_t, uintptr_t, intptr_t) { return intptr_t(0); });
    Block->Info.SetHostWindow(HostWindow);
    Block->Info.SetDmlName("Test kernel");
    Block->Info.SetDmlState(1);
}

void TServerHost::AddStaticTag(int32_t id, const std::string& name, const std::string& routing,
                               uint8_t type, float bound1, float bound2, float scale,
                               int32_t inverse, float value) {
    TVariableInfo info;
    std::memset(&info, 0, sizeof info);
    info.Id.Set(id);
    info.TagName.Set(name);
    info.Routing.Set(routing);
    info.TypeCode = type;
    info.Bound1.Set(bound1);
    info.Bound2.Set(bound2);
    info.Scale.Set(scale);
    info.Inverse.Set(inverse);
    info.Value.Set(value);
    ASSERT_TRUE(Block->StaticTags.Add(info));
}

void TServerHost::AddDynamicTag(const std::string& name, float value) {
    ASSERT_TRUE(Block->DynamicTags.SetValue(name, false, value, platform::Now()));
}

void TServerHost::StartServer() {
    ASSERT_TRUE(platform::StartProcess((Dir / "Plinvar.srv").string(),
                                       {"\"" + (Dir / "Plinvar.cfg").string() + "\""}, &ServerPid));
    Block->ServerData.SetActive(1);
    Block->Info.SetDmlState(2);
}

float TServerHost::StaticValue(int32_t index) {
    TDMLVariable record;
    EXPECT_TRUE(Block->StaticTags.GetRecord(index, record));
    return record.Value.Get();
}

float TServerHost::DynamicValue(const std::string& name) {
    for (int32_t i = 0; i < Block->DynamicTags.Count(); ++i) {
        TDynamicVariable record;
        if (Block->DynamicTags.GetRecord(i, record) && record.Name.Get() == name) {
            return record.Value.Get();
        }
    }
    ADD_FAILURE() << "no dynamic tag " << name;
    return -1;
}

bool TServerHost::ServerEnded(uint32_t boundMs) {
    int code = -1;
    if (!platform::WaitProcess(ServerPid, boundMs, &code)) {
        return false;
    }
    EXPECT_EQ(code, 0);
    ServerPid = 0;
    return true;
}

bool TServerHost::Eventually(const std::function<bool()>& condition, uint32_t boundMs) {
    const uint32_t start = platform::GetTickCount();
    while (!condition()) {
        if (platform::TicksSince(start) >= boundMs) {
            return false;
        }
        platform::WaitMessage(20);
    }
    return true;
}
