// The server window under Qt's offscreen platform: what its start-up writes into the block, the
// status page it fills from the block, its device list, terminal lock, log limit and timer.
// Screenshots of every page are left in the build's test-artifacts folder.
#include "server/ServerWindow.h"
#include "server/ServerPolling.h"
#include "server/ServerState.h"

#include "core/driver/DeviceList.h"
#include "core/driver/SnmpDriver.h"
#include "core/intercom/IntercomInterface.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"
#include "platform/Ticks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "server_window_tests";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(argc, argv);
    return application;
}

constexpr const char* TwoDevices =
    "<SNMP ThreadOnPort=\"False\" ErrorMngrDisabled=\"True\" >\n"
    "   <device>\n"
    "      <session DeviceName=\"Agent A\" RoutingPrefix=\"SNMPA\" Enabled=\"TRUE\" />\n"
    "   </device>\n"
    "   <device>\n"
    "      <session DeviceName=\"Agent B\" RoutingPrefix=\"SNMPB\" Enabled=\"TRUE\" />\n"
    "   </device>\n"
    "</SNMP>\n";

class ServerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        const std::string instance =
            "win" + std::to_string(platform::GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::setenv("VANTORELIX_INSTANCE", instance.c_str(), 1);
        Dir = fs::temp_directory_path() / ("plinvar-" + instance);
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        std::ofstream(Dir / "Plinvar.cfg") << TwoDevices;
        std::ofstream(Dir / "Plinvar.ini") << "[server]\ndelay_on_start=0\n";

        SetDriver(&Driver);
        // The plug-in's side: the block with two tags and a live kernel window.
        Plugin = TIntercomInterface::Create(Driver.GetDataFileName(), 2);
        ASSERT_TRUE(Plugin->IsMapped());
        SetServerSlot(0);
        for (const char* name : {"TAG_A", "TAG_B"}) {
            TVariableInfo info;
            std::memset(&info, 0, sizeof info);
            info.TagName.Set(name);
            ASSERT_TRUE(Plugin->StaticTags.Add(info));
        }
        HostWindow = platform::CreateWindowHandle(
            [](platform::HWND, uint32_t, uintptr_t, intptr_t) { return intptr_t(0); });
        Plugin->Info.SetDmlName(platform::Utf8ToAnsi("Ядро Vantorelix"));
        Plugin->Info.SetDmlState(2);
        Plugin->Info.SetHostWindow(HostWindow);

        auto& server = Server();
        server.ConfigFileName = (Dir / "Plinvar.cfg").string();
        server.Channel = TIntercomInterface::Create(Driver.GetDataFileName());
        ASSERT_TRUE(server.Channel->IsMapped());
        Window = std::make_unique<TServerWindow>();
    }

    void TearDown() override {
        Window.reset();
        Server().Channel.reset();
        Plugin.reset();
        if (HostWindow != 0) {
            platform::DestroyWindowHandle(HostWindow);
        }
        SetDriver(nullptr);
        fs::remove_all(Dir);
        ::unsetenv("VANTORELIX_INSTANCE");
    }

    template <typename T> T* Child(const char* name) {
        T* child = Window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Field(const char* name) { return Child<QLineEdit>(name)->text(); }

    fs::path Dir;
    TSNMP_Driver Driver;
    std::unique_ptr<TIntercomInterface> Plugin;
    platform::HWND HostWindow = 0;
    std::unique_ptr<TServerWindow> Window;
};

TEST_F(ServerWindowTest, StartUpAnnouncesTheServerAndFillsTheStatusPage) {
    EXPECT_EQ(Plugin->ServerData.GetProcessId(), platform::GetCurrentProcessId());
    EXPECT_EQ(Plugin->ServerData.GetWindowHandle(), Window->Handle());
    EXPECT_EQ(Plugin->ServerData.GetActive(), 1);

    struct Case {
        const char* Field;
        QString Text;
    };
    const Case cases[] = {
        {"DmlNameEdit", QString::fromUtf8("Ядро Vantorelix")},
        {"DmlStateEdit", QString::fromUtf8("В работе")},
        {"DmlTagCounterEdit", "2"},
        {"DmlTransactionIdEdit", "0"},
        {"ConfigFileNameEdit", QString::fromStdString((Dir / "Plinvar.cfg").string())},
        {"DeviceCountEdit", "2"},
        {"PIDEdit", QString::number(platform::GetCurrentProcessId())},
        {"WindowHandleEdit", QString::number(Window->Handle())},
        {"TerminalIdEdit", "0"},
        {"RequestTimeOutEdit", "-------"},
        {"RequestCycleEdit", "-------"},
        {"LinkStateEdit", "-------"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Field(c.Field), c.Text) << c.Field;
    }
    EXPECT_EQ(Window->windowTitle(),
              QString::fromStdString(platform::AnsiToUtf8(Driver.GetTitle())));
}

TEST_F(ServerWindowTest, DriverStateTextsAndUnknownStates) {
    struct Case {
        uint8_t State;
        const char* Text;
    };
    // 4 and above are the driver thread's marks: the field keeps what it showed.
    const Case cases[] = {{0, "Неизвестно"}, {4, "Неизвестно"},  {1, "Инициализация"},
                          {3, "Остановлен"}, {11, "Остановлен"}, {2, "В работе"}};
    for (const auto& c : cases) {
        Plugin->Info.SetDmlState(c.State);
        Window->UpdateStatusPage();
        EXPECT_EQ(Field("DmlStateEdit"), QString::fromUtf8(c.Text)) << int(c.State);
    }
}

TEST_F(ServerWindowTest, DeviceListSelectsTheFirstDevice) {
    auto* box = Child<QComboBox>("DeviceListComboBox");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "Agent A");
    EXPECT_EQ(box->itemText(1), "Agent B");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_TRUE(Child<QCheckBox>("LockTerminalChkBox")->isChecked());
}

TEST_F(ServerWindowTest, LogKeepsTheLast501Lines) {
    for (int i = 0; i < 600; ++i) {
        Window->OnLogMessage(i, "message " + std::to_string(i));
    }
    auto* log = Child<QPlainTextEdit>("LogMemo");
    ASSERT_EQ(log->document()->blockCount(), 501);
    EXPECT_EQ(log->document()->firstBlock().text(), "(99) message 99");
    EXPECT_EQ(log->document()->lastBlock().text(), "(599) message 599");

    // The reporter's own message reaches the log through the window's handle.
    platform::SendMessage(Window->Handle(), LogMessage, uintptr_t(intptr_t(-7)),
                          intptr_t("by message"));
    EXPECT_EQ(log->document()->lastBlock().text(), "(-7) by message");
    EXPECT_EQ(log->document()->blockCount(), 501);
}

TEST_F(ServerWindowTest, LockedTerminalsAreNotRefreshed) {
    auto* requests = Child<QPlainTextEdit>("RequestsMemo");
    requests->setPlainText("before");
    Window->OnTerminalRefresh(0);
    EXPECT_EQ(requests->toPlainText(), "before");
    EXPECT_EQ(Field("LinkStateEdit"), "-------");

    Child<QCheckBox>("LockTerminalChkBox")->setChecked(false);
    Window->OnTerminalRefresh(0);
    const TSelectedDeviceTexts texts = PollingTexts();
    EXPECT_EQ(requests->toPlainText(), QString::fromStdString(texts.RequestsText));
    EXPECT_EQ(Field("LinkStateEdit"), QString::fromStdString(texts.LinkStateText));
}

TEST_F(ServerWindowTest, TimerBeatsAndEndsWithTheKernelWindow) {
    Plugin->ServerData.SetServerTransactionId(65535);
    Window->OnGeneralTimer();
    EXPECT_EQ(Plugin->ServerData.GetServerTransactionId(), 65536);
    Window->OnGeneralTimer();
    EXPECT_EQ(Plugin->ServerData.GetServerTransactionId(), 0);
    EXPECT_TRUE(PollingRunning());

    platform::DestroyWindowHandle(HostWindow);
    HostWindow = 0;
    Window->show();
    Window->OnGeneralTimer();
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(ServerWindowTest, ScreenshotOfEveryPage) {
    Window->show();
    for (int i = 0; i < 30; ++i) {
        Window->OnLogMessage(-i, "log line " + std::to_string(i));
    }
    auto* pages = Child<QTabWidget>("PageControl");
    fs::create_directories(PLINVAR_ARTIFACTS);
    const char* names[] = {"status", "devices", "log"};
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = QString(PLINVAR_ARTIFACTS) + "/server-window-" + names[i] + ".png";
        EXPECT_TRUE(Window->grab().save(file)) << file.toStdString();
    }
}

} // namespace
