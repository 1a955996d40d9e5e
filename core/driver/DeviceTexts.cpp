// The texts of the device cycle, written in UTF-8 and converted to the code page once.
#include "core/driver/DeviceTexts.h"

#include "platform/AnsiText.h"

const TDeviceTexts& DeviceTexts() {
    using platform::Utf8ToAnsi;
    static const TDeviceTexts texts{
        Utf8ToAnsi("Потеря связи с устройством."),
        Utf8ToAnsi("Опрашивается устройство: "),
        Utf8ToAnsi("Ошибка при создании класса доступа к устройству."),
        Utf8ToAnsi("Ошибка установки соединения с устройством."),
        Utf8ToAnsi("Запрос обработан. Время обработки: %d"),
        Utf8ToAnsi("Ошибка доступа к устройству. Время обработки: %d"),
        Utf8ToAnsi("Ошибка записи в физический порт."),
        Utf8ToAnsi("Ошибка длины блока данных."),
        Utf8ToAnsi("Команда успешно обработана."),
        Utf8ToAnsi("Команда устройством не обработана."),
    };
    return texts;
}

std::string FillNumber(const std::string& text, int64_t value) {
    std::string result = text;
    const size_t at = result.find("%d");
    if (at != std::string::npos) {
        result.replace(at, 2, std::to_string(value));
    }
    return result;
}
