#include "server/ServerWindow.h"

#include "server/QtMessagePump.h"
#include "server/ServerState.h"

#include "platform/Process.h"

#include <QCloseEvent>
#include <QCoreApplication>

TServerWindow::TServerWindow() {
    setFixedSize(499, 484);
    OnCreateWindow();
}

TServerWindow::~TServerWindow() {
    OnDestroyWindow();
}

void TServerWindow::OnCreateWindow() {
    auto& server = Server();
    FPump = new TQtMessagePump(this);
    FHandle = platform::CreateWindowHandle(
        [this](platform::HWND, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
            return WindowProc(msg, wParam, lParam);
        });
    server.ServerWindowHandle = FHandle;
    server.Stopping = false;
    if (server.Channel != nullptr) {
        auto& slot = server.Channel->ServerData;
        slot.SetProcessId(platform::GetCurrentProcessId());
        slot.SetWindowHandle(FHandle);
        slot.SetActive(1);
    }
}

void TServerWindow::OnDestroyWindow() {
    auto& server = Server();
    server.Stopping = true;
    if (server.Channel != nullptr) {
        server.Channel->ServerData.SetActive(0);
    }
    if (FHandle != 0) {
        platform::DestroyWindowHandle(FHandle);
        server.ServerWindowHandle = 0;
        FHandle = 0;
    }
}

intptr_t TServerWindow::WindowProc(uint32_t msg, uintptr_t, intptr_t) {
    if (msg == platform::WM_CLOSE) {
        close();
    }
    return 0;
}

void TServerWindow::closeEvent(QCloseEvent* event) {
    // Every close request is granted; it only tells the polling threads to stop first.
    Server().Stopping = true;
    event->accept();
    // The window is hidden most of its life, so Qt would not end the loop on its own.
    QCoreApplication::quit();
}
