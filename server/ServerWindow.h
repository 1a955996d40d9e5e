// The server's main window: its creation and destruction run the server's start-up and
// shutdown, and it is the platform window that the plug-in closes with WM_CLOSE.
#pragma once

#include "platform/WindowMessages.h"

#include <QWidget>

class TQtMessagePump;

class TServerWindow : public QWidget {
public:
    TServerWindow();
    ~TServerWindow() override;

    platform::HWND Handle() const { return FHandle; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Start-up: registers the window and announces this server in slot 0.
    void OnCreateWindow();
    // Shutdown: withdraws the announcement.
    void OnDestroyWindow();
    intptr_t WindowProc(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    platform::HWND FHandle = 0;
    TQtMessagePump* FPump = nullptr;
};
