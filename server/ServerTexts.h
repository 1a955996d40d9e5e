// The server window's texts, in one table: what the operator reads and the two messages the
// window reports itself.
#pragma once

#include <QString>

#include <string>

enum class TServerText {
    StatusPage,
    DevicesPage,
    LogPage,
    Hide,
    Unload,
    KernelGroup,
    DmlName,
    DmlState,
    DmlTagCounter,
    TransactionId,
    ServerGroup,
    ConfigFileName,
    DeviceCount,
    ThreadCount,
    ProcessId,
    WindowId,
    TerminalId,
    CommandsTerminalId,
    RemoteTerminalId,
    StateUnknown,
    StateInit,
    StateRunning,
    StateStopped,
    DeviceList,
    LockTerminals,
    RequestsPage,
    RequestsGroup,
    SaveToFile,
    CommandsPage,
    CommandsGroup,
    StatisticsPage,
    RequestTimeOut,
    RequestCycle,
    LinkState,
    NoStatistics,
    LogGroup,
    ClearLog,
    SaveAs,
    SaveFilter,
    SpecialDataError,
    IconError,
};

// For the widgets.
QString Text(TServerText id);
// For the error reporter and the shared block: the system's code page.
std::string AnsiText(TServerText id);
