#include "server/ServerWindow.h"

#include "server/QtMessagePump.h"
#include "server/ServerPolling.h"
#include "server/ServerState.h"
#include "server/ServerTexts.h"

#include "core/driver/ConfigurationOptions.h"
#include "core/driver/DeviceList.h"
#include "core/driver/Driver.h"
#include "core/errors/DriverError.h"
#include "core/polling/ServerRuntime.h"
#include "platform/AnsiText.h"
#include "platform/IniFile.h"
#include "platform/Process.h"
#include "platform/Ticks.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString FromAnsi(const std::string& text) {
    return QString::fromStdString(platform::AnsiToUtf8(text));
}

// The text up to its first zero character, as the window compares terminal texts.
QString UpToZero(const std::string& text) {
    return FromAnsi(text.substr(0, text.find('\0')));
}

QLineEdit* ReadOnlyField(const char* name, const QString& text = QString()) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QPlainTextEdit* Console(const char* name, const char* colour, bool bold) {
    auto* memo = new QPlainTextEdit();
    memo->setObjectName(name);
    memo->setReadOnly(true);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(bold);
    memo->setFont(font);
    memo->setStyleSheet(QString("QPlainTextEdit { background: black; color: %1; }").arg(colour));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

// The icon built into the program, used when no icon file lies beside it.
QIcon BuiltInIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(128, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 28, 28);
    painter.setPen(Qt::white);
    QFont font("Serif", 16, QFont::Bold);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, "P");
    return QIcon(pixmap);
}

} // namespace

TServerWindow::TServerWindow() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(499, 484);
    BuildLayout();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    OnCreateWindow();
}

TServerWindow::~TServerWindow() {
    OnDestroyWindow();
}

// ---- layout ---------------------------------------------------------------------------------

void TServerWindow::BuildLayout() {
    auto* root = new QVBoxLayout(this);

    auto* logo = new QHBoxLayout();
    auto* picture = new QLabel();
    picture->setPixmap(BuiltInIcon().pixmap(32, 32));
    LogoLabel = new QLabel();
    LogoLabel->setObjectName("LogoLabel");
    LogoLabel->setAlignment(Qt::AlignCenter);
    QFont logoFont("Serif", 14, QFont::Bold);
    logoFont.setStyleHint(QFont::Serif);
    LogoLabel->setFont(logoFont);
    LogoLabel->setStyleSheet("color: #800000;");
    logo->addWidget(picture);
    logo->addWidget(LogoLabel, 1);
    root->addLayout(logo);

    PageControl = new QTabWidget();
    PageControl->setObjectName("PageControl");
    PageControl->addTab(BuildStatusPage(), Text(TServerText::StatusPage));
    DevicesPage = BuildDevicesPage();
    PageControl->addTab(DevicesPage, Text(TServerText::DevicesPage));
    PageControl->addTab(BuildLogPage(), Text(TServerText::LogPage));
    PageControl->setCurrentIndex(0);
    root->addWidget(PageControl, 1);

    auto* buttons = new QHBoxLayout();
    OkBitBtn = new QPushButton(Text(TServerText::Hide));
    OkBitBtn->setObjectName("OkBitBtn");
    OkBitBtn->setDefault(true);
    ReloadBitBtn = new QPushButton(Text(TServerText::Unload));
    ReloadBitBtn->setObjectName("ReloadBitBtn");
    buttons->addStretch(1);
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(ReloadBitBtn);
    root->addLayout(buttons);
    connect(OkBitBtn, &QPushButton::clicked, this, [this] { OnHideWindow(); });
    connect(ReloadBitBtn, &QPushButton::clicked, this, [this] { close(); });
}

QWidget* TServerWindow::BuildStatusPage() {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);

    auto* kernel = new QGroupBox(Text(TServerText::KernelGroup));
    auto* kernelForm = new QFormLayout(kernel);
    kernelForm->addRow(Text(TServerText::DmlName), DmlNameEdit = ReadOnlyField("DmlNameEdit"));
    kernelForm->addRow(Text(TServerText::DmlState), DmlStateEdit = ReadOnlyField("DmlStateEdit"));
    kernelForm->addRow(Text(TServerText::DmlTagCounter),
                       DmlTagCounterEdit = ReadOnlyField("DmlTagCounterEdit"));
    kernelForm->addRow(Text(TServerText::TransactionId),
                       DmlTransactionIdEdit = ReadOnlyField("DmlTransactionIdEdit"));
    layout->addWidget(kernel);

    auto* server = new QGroupBox(Text(TServerText::ServerGroup));
    auto* serverForm = new QFormLayout(server);
    serverForm->addRow(Text(TServerText::ConfigFileName),
                       ConfigFileNameEdit = ReadOnlyField("ConfigFileNameEdit"));
    serverForm->addRow(Text(TServerText::DeviceCount),
                       DeviceCountEdit = ReadOnlyField("DeviceCountEdit"));
    serverForm->addRow(Text(TServerText::ThreadCount),
                       ThreadCountEdit = ReadOnlyField("ThreadCountEdit"));
    serverForm->addRow(Text(TServerText::TransactionId),
                       ServerTransactionIdEdit = ReadOnlyField("ServerTransactionIdEdit"));
    serverForm->addRow(Text(TServerText::ProcessId), PIDEdit = ReadOnlyField("PIDEdit"));
    serverForm->addRow(Text(TServerText::WindowId),
                       WindowHandleEdit = ReadOnlyField("WindowHandleEdit"));
    serverForm->addRow(Text(TServerText::TerminalId),
                       TerminalIdEdit = ReadOnlyField("TerminalIdEdit"));
    serverForm->addRow(Text(TServerText::CommandsTerminalId),
                       CommandsTerminalIdEdit = ReadOnlyField("CommandsTerminalIdEdit"));
    serverForm->addRow(Text(TServerText::RemoteTerminalId),
                       RemoteTerminalIdEdit = ReadOnlyField("RemoteTerminalIdEdit"));
    layout->addWidget(server);
    layout->addStretch(1);
    return page;
}

QWidget* TServerWindow::BuildDevicesPage() {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);

    auto* chooser = new QHBoxLayout();
    chooser->addWidget(new QLabel(Text(TServerText::DeviceList)));
    DeviceListComboBox = new QComboBox();
    DeviceListComboBox->setObjectName("DeviceListComboBox");
    chooser->addWidget(DeviceListComboBox, 1);
    layout->addLayout(chooser);
    LockTerminalChkBox = new QCheckBox(Text(TServerText::LockTerminals));
    LockTerminalChkBox->setObjectName("LockTerminalChkBox");
    LockTerminalChkBox->setChecked(true);
    layout->addWidget(LockTerminalChkBox);
    connect(DeviceListComboBox, &QComboBox::currentIndexChanged, this,
            [this] { OnRequestSelectDevice(); });

    auto* pages = new QTabWidget();
    pages->setObjectName("DevicePageControl");

    auto* requestsPage = new QWidget();
    auto* requestsGroup = new QGroupBox(Text(TServerText::RequestsGroup));
    auto* requestsLayout = new QVBoxLayout(requestsGroup);
    RequestsMemo = Console("RequestsMemo", "lime", false);
    RequestsMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* menu = new QMenu(RequestsMemo);
    auto* saveItem = menu->addAction(Text(TServerText::SaveToFile));
    saveItem->setObjectName("SaveToFileMenuItem");
    connect(saveItem, &QAction::triggered, this, [this] { OnSaveToFile(); });
    connect(RequestsMemo, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint& at) { menu->popup(RequestsMemo->mapToGlobal(at)); });
    requestsLayout->addWidget(RequestsMemo);
    (new QVBoxLayout(requestsPage))->addWidget(requestsGroup);
    pages->addTab(requestsPage, Text(TServerText::RequestsPage));

    auto* commandsPage = new QWidget();
    auto* commandsGroup = new QGroupBox(Text(TServerText::CommandsGroup));
    auto* commandsLayout = new QVBoxLayout(commandsGroup);
    CommandsMemo = Console("CommandsMemo", "magenta", true);
    commandsLayout->addWidget(CommandsMemo);
    (new QVBoxLayout(commandsPage))->addWidget(commandsGroup);
    pages->addTab(commandsPage, Text(TServerText::CommandsPage));

    auto* statisticsPage = new QWidget();
    auto* statistics = new QFormLayout(statisticsPage);
    const QString none = Text(TServerText::NoStatistics);
    statistics->addRow(Text(TServerText::RequestTimeOut),
                       RequestTimeOutEdit = ReadOnlyField("RequestTimeOutEdit", none));
    statistics->addRow(Text(TServerText::RequestCycle),
                       RequestCycleEdit = ReadOnlyField("RequestCycleEdit", none));
    statistics->addRow(Text(TServerText::LinkState),
                       LinkStateEdit = ReadOnlyField("LinkStateEdit", none));
    pages->addTab(statisticsPage, Text(TServerText::StatisticsPage));

    layout->addWidget(pages, 1);
    return page;
}

QWidget* TServerWindow::BuildLogPage() {
    auto* page = new QWidget();
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox(Text(TServerText::LogGroup));
    auto* groupLayout = new QVBoxLayout(group);
    LogMemo = new QPlainTextEdit();
    LogMemo->setObjectName("LogMemo");
    LogMemo->setReadOnly(true);
    LogMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    groupLayout->addWidget(LogMemo);
    layout->addWidget(group, 1);
    ClearLogBitBtn = new QPushButton(Text(TServerText::ClearLog));
    ClearLogBitBtn->setObjectName("ClearLogBitBtn");
    connect(ClearLogBitBtn, &QPushButton::clicked, this, [this] { LogMemo->clear(); });
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(ClearLogBitBtn);
    layout->addLayout(buttons);
    return page;
}

// ---- start-up and shutdown ------------------------------------------------------------------

void TServerWindow::OnCreateWindow() {
    auto& server = Server();
    if (server.Channel == nullptr) {
        std::exit(100);
    }
    TDriver* driver = GetDriver();
    try {
        const QString title = FromAnsi(driver->GetTitle());
        setWindowTitle(title);
        LogoLabel->setText(FromAnsi(server.Channel->Info.GetDmlName()));
        QApplication::setApplicationDisplayName(title);

        FPump = new TQtMessagePump(this);
        FHandle = platform::CreateWindowHandle(
            [this](platform::HWND, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
                return WindowProc(msg, wParam, lParam);
            });
        ServerRuntime().Channel = server.Channel.get();
        ServerRuntime().ServerWindowHandle = FHandle;
        ServerRuntime().Stopping = false;

        server.ErrorReporter = std::make_unique<TServerErrorClass>(server.Channel.get());
        server.ErrorReporter->Window = FHandle;
        ServerRuntime().ErrorReporter = server.ErrorReporter.get();

        driver->Prepare();

        auto& slot = server.Channel->ServerData;
        slot.SetProcessId(platform::GetCurrentProcessId());
        slot.SetWindowHandle(FHandle);
        slot.SetActive(1);

        const std::string settings = ChangeFileExt(server.ConfigFileName, ".ini");
        if (platform::ReadIniInteger(settings, "server", "delay_on_start", 3000) > 0) {
            // Gives the plug-in time to finish its own start; only switched on by the value.
            platform::Sleep(3000);
        }

        if (!driver->ReadSettings(0, server.ConfigFileName)) {
            server.ErrorReporter->ReportText(0, AnsiText(TServerText::SpecialDataError));
        }
        driver->Devices->LoadFromFile(server.ConfigFileName);
        server.ErrorReporter->ApplyErrorMngrDisabled(ConfigurationOptions().ErrorMngrDisabled);

        BuildVariableIndex();
        CreatePollingThreads(ConfigurationOptions().ThreadOnPort);

        FillDeviceList();
        UpdateStatusPage();

        if (!CreateStatusIcon(title)) {
            server.ErrorReporter->ReportText(-16, AnsiText(TServerText::IconError));
            show();
        }
    } catch (...) {
        // Whatever failed above, the timer runs: it is what ends the server.
    }
    FGeneralTimer = new QTimer(this);
    FGeneralTimer->setInterval(1000);
    connect(FGeneralTimer, &QTimer::timeout, this, [this] { OnGeneralTimer(); });
    FGeneralTimer->start();
}

void TServerWindow::OnDestroyWindow() {
    if (FDestroyed) {
        return;
    }
    FDestroyed = true;
    auto& server = Server();
    try {
        ServerRuntime().Stopping = true;
        if (FGeneralTimer != nullptr) {
            FGeneralTimer->stop();
        }
        QFont font = LogoLabel->font();
        font.setPointSize(12);
        LogoLabel->setFont(font);
        ShowLogoText("Timer stopping");
        ShowLogoText("Device request stopping.");
        StopPolling();
        ShowLogoText("Server stopped.");
        if (server.Channel != nullptr) {
            server.Channel->ServerData.SetActive(0);
        }
        ReleasePolling();
        if (server.ErrorReporter != nullptr) {
            server.ErrorReporter->Window = 0;
        }
        ServerRuntime().ErrorReporter = nullptr;
        server.ErrorReporter.reset();
        ServerRuntime().Channel = nullptr;
        server.Channel.reset();
    } catch (...) {
    }
    DeleteStatusIcon();
    if (FHandle != 0) {
        ServerRuntime().ServerWindowHandle = 0;
        platform::DestroyWindowHandle(FHandle);
        FHandle = 0;
    }
}

void TServerWindow::ShowLogoText(const QString& text) {
    LogoLabel->setText(text);
    repaint();
}

void TServerWindow::closeEvent(QCloseEvent* event) {
    // Every close request is granted; it only tells the polling threads to stop first.
    ServerRuntime().Stopping = true;
    event->accept();
    // The window is hidden most of its life, so Qt would not end the loop on its own.
    QCoreApplication::quit();
}

// ---- timer and status -----------------------------------------------------------------------

void TServerWindow::OnGeneralTimer() {
    auto& server = Server();
    if (server.Channel == nullptr || ServerRuntime().Stopping) {
        return;
    }
    UpdateStatusPage();
    auto& slot = server.Channel->ServerData;
    const uint8_t active = slot.GetActive();
    // The first tick starts polling whatever Active holds; when the plug-in has meanwhile asked
    // for a stop, the same tick stops it again and closes the server.
    if (FFirstTick || (active == 1 && !PollingRunning())) {
        ResumePolling();
        FFirstTick = false;
    }
    if (active == 0 && PollingRunning()) {
        StopPolling();
        platform::PostMessage(FHandle, platform::WM_CLOSE, 0, 0);
    }
    slot.SetServerTransactionId(NextServerTransactionId(slot.GetServerTransactionId()));
    const platform::HWND host = server.Channel->Info.GetHostWindow();
    if (host == 0 || !platform::IsWindow(host)) {
        FGeneralTimer->stop();
        close();
    }
}

void TServerWindow::UpdateStatusPage() {
    auto& server = Server();
    if (server.Channel == nullptr) {
        return;
    }
    const auto& block = *server.Channel;
    DmlNameEdit->setText(FromAnsi(block.Info.GetDmlName()));
    const uint8_t state = block.Info.GetDmlState();
    if (state <= 3) {
        static const TServerText states[] = {TServerText::StateUnknown, TServerText::StateInit,
                                             TServerText::StateRunning, TServerText::StateStopped};
        DmlStateEdit->setText(Text(states[state]));
    }
    DmlTagCounterEdit->setText(QString::number(block.StaticTags.Count()));
    DmlTransactionIdEdit->setText(QString::number(block.Info.GetDmlTransactionId()));
    ConfigFileNameEdit->setText(FromAnsi(server.ConfigFileName));
    TDriver* driver = GetDriver();
    DeviceCountEdit->setText(QString::number(driver != nullptr ? driver->Devices->Count() : 0));
    ThreadCountEdit->setText(QString::number(PollingThreadCount()));
    ServerTransactionIdEdit->setText(QString::number(block.ServerData.GetServerTransactionId()));
    PIDEdit->setText(QString::number(block.ServerData.GetProcessId()));
    WindowHandleEdit->setText(QString::number(block.ServerData.GetWindowHandle()));
    TerminalIdEdit->setText(QString::number(block.Terminal.GetCounter()));
    CommandsTerminalIdEdit->setText(QString::number(block.CommandsTerminal.GetCounter()));
    RemoteTerminalIdEdit->setText(QString::number(block.RemoteTerminal.GetCounter()));
}

// ---- devices page ---------------------------------------------------------------------------

void TServerWindow::FillDeviceList() {
    const QSignalBlocker blocker(DeviceListComboBox);
    DeviceListComboBox->clear();
    if (TDriver* driver = GetDriver()) {
        for (int32_t i = 0; i < driver->Devices->Count(); ++i) {
            DeviceListComboBox->addItem(FromAnsi(driver->Devices->Device(i)->DeviceName));
        }
    }
    DeviceListComboBox->setEnabled(DeviceListComboBox->count() > 0);
    DeviceListComboBox->setCurrentIndex(DeviceListComboBox->isEnabled() ? 0 : -1);
    OnRequestSelectDevice();
}

void TServerWindow::OnRequestSelectDevice() {
    SetSelectedDeviceIndex(DeviceListComboBox->currentIndex());
}

void TServerWindow::OnTerminalRefresh(uintptr_t what) {
    if (ServerRuntime().Stopping || LockTerminalChkBox->isChecked()) {
        return;
    }
    const TSelectedDeviceTexts texts = PollingTexts();
    if (what == 0) {
        const QString requests = UpToZero(texts.RequestsText);
        if (RequestsMemo->toPlainText() != requests) {
            RequestsMemo->setPlainText(requests);
        }
        RequestCycleEdit->setText(FromAnsi(texts.RequestCycleText));
        RequestTimeOutEdit->setText(FromAnsi(texts.RequestTimeOutText));
        LinkStateEdit->setText(FromAnsi(texts.LinkStateText));
    } else if (what == 1) {
        const QString commands = UpToZero(texts.CommandsText);
        if (CommandsMemo->toPlainText() != commands) {
            CommandsMemo->setPlainText(commands);
        }
    }
}

void TServerWindow::OnSaveToFile() {
    if (PageControl->currentWidget() != DevicesPage) {
        return;
    }
    QFileDialog dialog(this, Text(TServerText::SaveAs), QString(), Text(TServerText::SaveFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    QFile file(dialog.selectedFiles().first());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream(&file) << RequestsMemo->toPlainText() << '\n';
    }
}

void TServerWindow::OnHideWindow() {
    hide();
}

// ---- log ------------------------------------------------------------------------------------

void TServerWindow::OnLogMessage(int32_t code, const std::string& ansiText) {
    const QString line = QString("(%1) %2").arg(code).arg(FromAnsi(ansiText));
    QTextDocument* document = LogMemo->document();
    while (document->blockCount() > MaxLogLines - 1) {
        QTextCursor cursor(document->firstBlock());
        cursor.select(QTextCursor::BlockUnderCursor);
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    if (document->isEmpty()) {
        LogMemo->setPlainText(line);
    } else {
        LogMemo->appendPlainText(line);
    }
}

// ---- tray icon ------------------------------------------------------------------------------

bool TServerWindow::CreateStatusIcon(const QString& tip) {
    const QString iconFile =
        QString::fromStdString(ChangeFileExt(platform::GetExecutablePath(), ".ico"));
    FIcon = QFileInfo::exists(iconFile) ? QIcon(iconFile) : QIcon();
    if (FIcon.isNull() || FIcon.availableSizes().isEmpty()) {
        FIcon = BuiltInIcon();
    } else {
        QApplication::setWindowIcon(FIcon);
    }
    setWindowIcon(FIcon);
    if (FIcon.isNull() || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    FTrayIcon = new QSystemTrayIcon(FIcon, this);
    FTrayIcon->setToolTip(tip.left(63));
    connect(FTrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    OnTrayIcon(1, TrayDoubleClick);
                }
            });
    FTrayIcon->show();
    FIconCreated = true;
    return true;
}

void TServerWindow::DeleteStatusIcon() {
    if (FIconCreated && FTrayIcon != nullptr) {
        FTrayIcon->hide();
        delete FTrayIcon;
        FTrayIcon = nullptr;
        FIconCreated = false;
    }
    FIcon = QIcon();
}

void TServerWindow::OnTrayIcon(uintptr_t iconId, intptr_t mouseMessage) {
    if (iconId == 1 && mouseMessage == TrayDoubleClick) {
        show();
        raise();
    }
}

// ---- messages -------------------------------------------------------------------------------

intptr_t TServerWindow::WindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case LogMessage: {
        // The text is an address in this process: only the reporter's own send carries one.
        if (platform::InForeignMessage()) {
            return 0;
        }
        const char* text = reinterpret_cast<const char*>(lParam);
        OnLogMessage(int32_t(intptr_t(wParam)),
                     text != nullptr ? std::string(text) : std::string());
        return 0;
    }
    case TerminalRefreshMessage:
        OnTerminalRefresh(wParam);
        return 0;
    case TrayIconMessage:
        OnTrayIcon(wParam, lParam);
        return 0;
    case platform::WM_CLOSE:
        close();
        return 0;
    default:
        return 0;
    }
}
