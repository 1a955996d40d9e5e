// The texts of the polling threads, written in UTF-8 and converted to the code page once.
#include "core/polling/PollingMessages.h"

#include "platform/AnsiText.h"

const TPollingMessages& PollingMessages() {
    using platform::Utf8ToAnsi;
    static const TPollingMessages texts{
        Utf8ToAnsi("Ошибка в имени тега блокировки доступа к устройству."),
        Utf8ToAnsi("Ошибка при инициализации данных сервера доступа к устройству."),
        Utf8ToAnsi("Ошибка при записи нового значения тега: "),
        Utf8ToAnsi("Ошибка при получении информации об обрабатываемом теге."),
        Utf8ToAnsi("Неизвестное имя сегмента для команды."),
        Utf8ToAnsi("Запись команды...."),
        Utf8ToAnsi("Время на обслуживание команды %d"),
    };
    return texts;
}
