// TServerWindow: the server's one window. Its creation and destruction run the server's start-up
// and shutdown; its one-second timer starts and stops polling as the plug-in asks, beats the
// heartbeat and ends the server when the kernel's window disappears. It shows the kernel's and
// the server's state, a live view of one device, and the server's log.
#pragma once

#include "platform/WindowMessages.h"

#include <QIcon>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class TQtMessagePump;

// Messages to the server window (decimal, as the senders use them).
constexpr uint32_t LogMessage = 1246;             // wParam code, lParam zero-terminated text
constexpr uint32_t TerminalRefreshMessage = 1357; // wParam 0 polling output, 1 command output
constexpr uint32_t TrayIconMessage = 1359;        // wParam icon id, lParam mouse message
constexpr intptr_t TrayDoubleClick = 0x203;

// The log page keeps at most this many lines, the oldest dropped first.
constexpr int MaxLogLines = 501;

class TServerWindow : public QWidget {
public:
    TServerWindow();
    ~TServerWindow() override;

    platform::HWND Handle() const { return FHandle; }

    // Message handlers, also reachable directly (tests, the tray icon).
    void OnLogMessage(int32_t code, const std::string& ansiText);
    void OnTerminalRefresh(uintptr_t what);
    void OnTrayIcon(uintptr_t iconId, intptr_t mouseMessage);
    // One tick of the general timer.
    void OnGeneralTimer();
    void UpdateStatusPage();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildStatusPage();
    QWidget* BuildDevicesPage();
    QWidget* BuildLogPage();

    void OnCreateWindow();
    void OnDestroyWindow();
    void FillDeviceList();
    void OnRequestSelectDevice();
    void OnSaveToFile();
    void OnHideWindow();
    void ShowLogoText(const QString& text);
    bool CreateStatusIcon(const QString& tip);
    void DeleteStatusIcon();
    intptr_t WindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    platform::HWND FHandle = 0;
    TQtMessagePump* FPump = nullptr;
    QTimer* FGeneralTimer = nullptr;
    bool FFirstTick = true;
    bool FDestroyed = false;

    QSystemTrayIcon* FTrayIcon = nullptr;
    QIcon FIcon;
    bool FIconCreated = false;

    QLabel* LogoLabel = nullptr;
    QTabWidget* PageControl = nullptr;
    QPushButton* OkBitBtn = nullptr;
    QPushButton* ReloadBitBtn = nullptr;
    // Status page.
    QLineEdit* DmlNameEdit = nullptr;
    QLineEdit* DmlStateEdit = nullptr;
    QLineEdit* DmlTagCounterEdit = nullptr;
    QLineEdit* DmlTransactionIdEdit = nullptr;
    QLineEdit* ConfigFileNameEdit = nullptr;
    QLineEdit* DeviceCountEdit = nullptr;
    QLineEdit* ThreadCountEdit = nullptr;
    QLineEdit* ServerTransactionIdEdit = nullptr;
    QLineEdit* PIDEdit = nullptr;
    QLineEdit* WindowHandleEdit = nullptr;
    QLineEdit* TerminalIdEdit = nullptr;
    QLineEdit* CommandsTerminalIdEdit = nullptr;
    QLineEdit* RemoteTerminalIdEdit = nullptr;
    // Devices page.
    QWidget* DevicesPage = nullptr;
    QComboBox* DeviceListComboBox = nullptr;
    QCheckBox* LockTerminalChkBox = nullptr;
    QPlainTextEdit* RequestsMemo = nullptr;
    QPlainTextEdit* CommandsMemo = nullptr;
    QLineEdit* RequestTimeOutEdit = nullptr;
    QLineEdit* RequestCycleEdit = nullptr;
    QLineEdit* LinkStateEdit = nullptr;
    // Log page.
    QPlainTextEdit* LogMemo = nullptr;
    QPushButton* ClearLogBitBtn = nullptr;
};
