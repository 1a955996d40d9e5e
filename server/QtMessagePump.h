// Drains the calling thread's window-message queue from inside a Qt event loop, so that Qt
// windows and the platform's window handles share one thread and one mechanism.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include "platform/WindowMessages.h"

class TQtMessagePump : public QObject {
public:
    // Must be created on the thread whose queue it drains (the GUI thread).
    explicit TQtMessagePump(QObject* parent = nullptr) : QObject(parent) {
        const int fd = platform::QueueDescriptor();
        if (fd >= 0) {
            FNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(FNotifier, &QSocketNotifier::activated, this,
                    [] { platform::ProcessMessages(); });
        }
    }

    bool IsValid() const { return FNotifier != nullptr; }

private:
    QSocketNotifier* FNotifier = nullptr;
};
