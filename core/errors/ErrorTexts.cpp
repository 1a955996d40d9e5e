// The table of error texts, written in UTF-8 here and converted once to the code page.
#include "core/errors/ErrorTexts.h"

#include "platform/AnsiText.h"

#include <map>

namespace {

const char* const UnregisteredError = "Общая незарегистрированная ошибка драйвера.";

const std::map<int32_t, const char*> Utf8Texts = {
    {0, "Успешное выполнение операции."},
    {-2, "Ошибка дублирования физического адреса тега."},
    {-3, "Устройству приписан пустой префикс или такого префикса нет в базе тегов."},
    {-4, "Попытка реинициализации драйвера."},
    {-5, "Драйвер не инициализирован."},
    {-6, "Ошибка в параметрах функции."},
    {-7, "Функция не поддерживается драйвером."},
    {-8, "Ошибка обработки команды (Адрес=%d)."},
    {-9, "Ошибка CRC в ответе устройства %d."},
    {-10, "Ошибка в поле адреса устройства %d."},
    {-11, "Ошибка протокола. Код ошибка %d."},
    {-12, "Ошибка длины блока данных."},
    {-13, "Панель %d не отвечает"},
    {-14, "Ошибка открытия порта приема/передачи"},
    {-15, "Ошибка записи в физический порт."},
    {-24, "Не возможно обработать команду."},
    {-31, "Не известный тип принятого блока."},
};

struct TAnsiTexts {
    TAnsiTexts() : Unregistered(platform::Utf8ToAnsi(UnregisteredError)) {
        for (const auto& [code, text] : Utf8Texts) {
            Texts.emplace(code, platform::Utf8ToAnsi(text));
        }
    }
    std::string Unregistered;
    std::map<int32_t, std::string> Texts;
};

const TAnsiTexts& AnsiTexts() {
    static const TAnsiTexts texts;
    return texts;
}

} // namespace

std::string GetErrorText(int32_t code, int32_t info) {
    const TAnsiTexts& texts = AnsiTexts();
    const auto found = texts.Texts.find(code);
    if (found == texts.Texts.end()) {
        return texts.Unregistered;
    }
    std::string text = found->second;
    const size_t placeholder = text.find("%d");
    if (placeholder != std::string::npos) {
        text.replace(placeholder, 2, std::to_string(info));
    }
    return text;
}
