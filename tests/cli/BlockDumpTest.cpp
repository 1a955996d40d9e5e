// plinvar block dump, run as a real process against a block this test creates and fills: every
// field it wrote shows in the JSON (escaped, texts in UTF-8), the text form and one section work,
// the live block is left byte for byte as it was, and without a block the tool says so.
#include "core/intercom/IntercomInterface.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"

#include "tests/cli/CliRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TCliRun RunDump(const std::vector<std::string>& args) {
    return RunCli("block", args);
}

class BlockDump : public testing::Test {
protected:
    void SetUp() override {
        const std::string instance =
            "t" + std::to_string(platform::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
        setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
        SetServerSlot(0);
    }
    void TearDown() override { SetServerSlot(-1); }

    // A block as a running driver leaves it: both sides' fields in every section.
    std::unique_ptr<TIntercomInterface> CreateFilledBlock() {
        auto channel = TIntercomInterface::Create("Plinvar.dat", 3);
        if (!channel->IsMapped()) {
            return channel;
        }
        channel->Info.SetDmlName(R"(Plinvar "SNMP" \ driver)");
        channel->Info.SetPrefixes("SNMP1;SNMP2");
        channel->Info.SetDmlState(2);
        channel->Info.SetDmlTransactionId(65534);
        channel->Info.SetHostWindow(0x1234ABCD);
        channel->ServerData.SetProcessId(4242);
        channel->ServerData.SetWindowHandle(0x77);
        channel->ServerData.SetServerTransactionId(65536);
        channel->ServerData.SetActive(1);

        TVariableInfo info{};
        info.Id.Set(101);
        info.TagName.Set("TAG_A");
        info.Routing.Set("SNMP1.1.10");
        info.Value.Set(3.25f);
        info.DeadBand.Set(0.5f);
        channel->StaticTags.Add(info);
        channel->StaticTags.SetValue(0, 42.5f, 45292.5); // 2024-01-01 12:00
        channel->DynamicTags.SetValue("link_a", false, 1.0f, 45292.25);

        TCommandRecord command{};
        command.TagId.Set(7001);
        command.DeviceName.Set("SNMP1");
        command.DeviceAddress.Set(3);
        command.Address.Set(12);
        command.Segment.Set("SEG");
        command.Value.Set(2.5f);
        command.Value2.Set(-1.0f);
        channel->Commands.Add(command);
        channel->Commands.SetDeviceName("SNMP1");
        channel->Commands.Commit();

        channel->Errors.Add(-13, platform::Utf8ToAnsi("Панель 5 не отвечает"));
        channel->Terminal.SetOwner(2);
        channel->Terminal.Write("line 1\r\nline 2\t\"quoted\"");
        TTerminalInfo terminalInfo{};
        terminalInfo.Caption.Set("SNMP1 127.0.0.1");
        terminalInfo.LinkUp = 1;
        terminalInfo.LastInterval.Set(1000);
        terminalInfo.LastDuration.Set(17);
        channel->Terminal.SetInfo(2, terminalInfo);
        channel->CommandsTerminal.Write("command done");
        return channel;
    }
};

TEST_F(BlockDump, JsonShowsEveryFieldTheDriverWrote) {
    auto channel = CreateFilledBlock();
    ASSERT_TRUE(channel->IsMapped());
    const std::vector<uint8_t> before(channel->View(), channel->View() + channel->ViewSize());

    const TCliRun run = RunDump({"dump", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const char* expected[] = {
        R"("Size": 483440)",
        R"("Magic": "Vantorelix")",
        R"("DmlName": "Plinvar \"SNMP\" \\ driver")",
        R"("DmlState": 2)",
        R"("DmlStateText": "running")",
        R"("Prefixes": "SNMP1;SNMP2")",
        R"("DmlTransactionId": 65534)",
        R"("HostWindow": "0x1234ABCD")",
        R"("ProcessId": 4242)",
        R"("WindowHandle": "0x00000077")",
        R"("ServerTransactionId": 65536)",
        R"("Active": 1)",
        R"("Capacity": 3)",
        R"("Id": 101)",
        R"("TagName": "TAG_A")",
        R"("Routing": "SNMP1.1.10")",
        R"("DeadBand": 0.5)",
        R"("Value": 42.5)",
        R"("SentValue": 3.25)",
        R"("TimeText": "2024-01-01 12:00:00.000")",
        R"("Name": "LINK_A")",
        R"("Id": -1)",
        R"("TimeText": "2024-01-01 06:00:00.000")",
        R"("StateText": "posted")",
        R"("DeviceAddress": 3)",
        R"("TagId": 7001)",
        R"("Address": 12)",
        R"("Segment": "SEG")",
        R"("Value": 2.5)",
        R"("Value2": -1)",
        R"("Sequence": 1)",
        R"("Code": -13)",
        "\"Text\": \"Панель 5 не отвечает\"",
        R"("Owner": 2)",
        R"("Caption": "SNMP1 127.0.0.1")",
        R"("LinkUp": 1)",
        R"("LastInterval": 1000)",
        R"("LastDuration": 17)",
        R"("Text": "line 1\r\nline 2\t\"quoted\"")",
        R"("Text": "command done")",
        R"("Name": "RemoteTerminal")",
    };
    for (const char* field : expected) {
        EXPECT_NE(run.Out.find(field), std::string::npos) << field << "\n" << run.Out;
    }
    EXPECT_EQ(run.Out.front(), '{');
    EXPECT_EQ(run.Out.substr(run.Out.size() - 2), "}\n");

    const std::vector<uint8_t> after(channel->View(), channel->View() + channel->ViewSize());
    EXPECT_TRUE(before == after) << "the dump wrote into the live block";
}

TEST_F(BlockDump, TextAndOneSection) {
    auto channel = CreateFilledBlock();
    ASSERT_TRUE(channel->IsMapped());

    const TCliRun text = RunDump({"dump"});
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_NE(text.Out.find("  DmlName: Plinvar \"SNMP\" \\ driver\n"), std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("      | line 1\n      | line 2"), std::string::npos) << text.Out;

    const TCliRun errors = RunDump({"dump", "--section", "errors", "--json"});
    ASSERT_EQ(errors.Status, 0) << errors.Err;
    EXPECT_NE(errors.Out.find(R"("Code": -13)"), std::string::npos);
    EXPECT_EQ(errors.Out.find("DmlName"), std::string::npos) << "only the errors section";

    EXPECT_EQ(RunDump({"dump", "--section", "nonsense"}).Status, 2);
    EXPECT_EQ(RunDump({"dump", "--help"}).Status, 0);
}

TEST_F(BlockDump, NoBlockIsAnErrorWithAMessage) {
    const TCliRun run = RunDump({"dump", "--json"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(run.Out.empty());
    EXPECT_NE(run.Err.find("no shared block \"Plinvar.dat\""), std::string::npos) << run.Err;
}

} // namespace
