#include "server/ServerTexts.h"

#include "platform/AnsiText.h"

namespace {

const char* Utf8(TServerText id) {
    switch (id) {
    case TServerText::StatusPage:
        return "Состояние";
    case TServerText::DevicesPage:
        return "Устройства";
    case TServerText::LogPage:
        return "Журнал";
    case TServerText::Hide:
        return "Скрыть";
    case TServerText::Unload:
        return "Выгрузить";
    case TServerText::KernelGroup:
        return " Vantorelix ";
    case TServerText::DmlName:
        return "Имя драйвера:";
    case TServerText::DmlState:
        return "Состояние драйвера:";
    case TServerText::DmlTagCounter:
        return "Количество тегов:";
    case TServerText::TransactionId:
        return "ID транзакции:";
    case TServerText::ServerGroup:
        return " Сервер связи ";
    case TServerText::ConfigFileName:
        return "Файл конфигурации:";
    case TServerText::DeviceCount:
        return "Кол-во устройств:";
    case TServerText::ThreadCount:
        return "Количество соединений:";
    case TServerText::ProcessId:
        return "ID процесса:";
    case TServerText::WindowId:
        return "ID окна:";
    case TServerText::TerminalId:
        return "ID терминала:";
    case TServerText::CommandsTerminalId:
        return "ID терминала команд:";
    case TServerText::RemoteTerminalId:
        return "ID удаленного доступа:";
    case TServerText::StateUnknown:
        return "Неизвестно";
    case TServerText::StateInit:
        return "Инициализация";
    case TServerText::StateRunning:
        return "В работе";
    case TServerText::StateStopped:
        return "Остановлен";
    case TServerText::DeviceList:
        return "Список устройств:";
    case TServerText::LockTerminals:
        return "Блокировка терминалов ";
    case TServerText::RequestsPage:
        return "Запросы";
    case TServerText::RequestsGroup:
        return " Терминал запросов ";
    case TServerText::SaveToFile:
        return "Сохранить в файл...";
    case TServerText::CommandsPage:
        return "Команды";
    case TServerText::CommandsGroup:
        return " Терминал команд  ";
    case TServerText::StatisticsPage:
        return "Статистика";
    case TServerText::RequestTimeOut:
        return "Время ответа на единичный запрос (мсек):";
    case TServerText::RequestCycle:
        return "Цикл опроса устройства:";
    case TServerText::LinkState:
        return "Связь:";
    case TServerText::NoStatistics:
        return "-------";
    case TServerText::LogGroup:
        return " Жунал работы драйвера ";
    case TServerText::ClearLog:
        return "Очистить";
    case TServerText::SaveAs:
        return "Сохранить как...";
    case TServerText::SaveFilter:
        return "Текстовый файл (*.txt)";
    case TServerText::SpecialDataError:
        return "Ошибка инициализации специализированных данных.";
    case TServerText::IconError:
        return "Ошибка загрузки пиктограммы главного окна.";
    }
    return "";
}

} // namespace

QString Text(TServerText id) {
    return QString::fromUtf8(Utf8(id));
}

std::string AnsiText(TServerText id) {
    return platform::Utf8ToAnsi(Utf8(id));
}
