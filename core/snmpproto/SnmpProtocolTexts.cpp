// The SNMP protocol's texts, written in UTF-8 and converted to the code page once.
#include "core/snmpproto/SnmpProtocolTexts.h"

#include "platform/AnsiText.h"

namespace {

struct TUtf8PropertyText {
    const char* Name;
    const char* Caption;
    const char* Description;
};

constexpr TUtf8PropertyText PropertyTextsUtf8[] = {
    {"GETCommunity", "Имя GET-сообщества:",
     "Имя GET-сообщества используется для авторизации запросов для операций GET, GETNEXT, WALK"},
    {"SETCommunity", "Имя SET-сообщества:",
     "Имя SET-сообщества используется для авторизации запросов для операций SET"},
    {"SNMPVersion", "Версия протокола",
     "Драйвер поддерживает версии протокола SNMPv1, SNMPv2c и SNMPv3. Выберите используемую "
     "версию протокола."},
    {"SNMP_V3_UserName", "SNMPv3 Имя пользователя:",
     "Для доступа к устройству по протоколу SNMPv3 требуется определить имя пользователя. Для "
     "других версий протокола поле игнорируется."},
    {"SNMP_V3_Password", "SNMPv3 Пароль доступа:",
     "При работе по протоколу SNMPv3 необходимо указать пароль доступа для пользователя. Параметр "
     "необходимо согласовать с устройством. Для других версий протокола поле игнорируется."},
    {"SNMPv3_Privacy_Password", "SNMPv3 Пароль к данным:",
     "Протокол SNMPv3 требует специального пароля доступа к данным (privacy password). Значение "
     "пароля должно быть согласовано с устройством."},
    {"SNMPv3_Flag", "SNMPv3 Тип авторизацци и кодировки:",
     "Протокол SNMPv3 поддерживает различные типы авторизации и кодировки пакета в сети. Параметр "
     "необходимо согласовать с настройками устройства."},
    {"V3Auth", "SNMPv3 Алгоритм шифрования:",
     "Спецификация протокола SNMPv3 поддерживает два типа алгоритма шифрования: MD5 и SH1. "
     "Выберите требуемый тип шифрования. Должен быть согласован с настройками устройства."},
    {"V3Priv", "SNMPv3 Алгоритм доступа к данным:",
     "Протокол SNMPv3 использует различные алгоритм шифрования для доступа к данным. Согласуйте "
     "параметр с контролируемым устройством."},
    {"RequestType", "Обслуживаемое устройство:",
     "Драйвер способен поддержать несколько различных устройств одновременно. Для каждого типа "
     "может быть создан собственный список запросов."},
};

} // namespace

const TSnmpProtocolTexts& SnmpProtocolTexts() {
    using platform::Utf8ToAnsi;
    static const TSnmpProtocolTexts texts = [] {
        TSnmpProtocolTexts t;
        t.NoIpAddress = Utf8ToAnsi("IP адрес не определен или не верен.");
        t.IcmpFailed =
            Utf8ToAnsi("Ошибка контроля связи по протоколу ICMP. Устройство не доступно.");
        t.IcmpSucceeded = Utf8ToAnsi("ICMP запрос прошел успешно!");
        t.NoRequestList = Utf8ToAnsi("Список запросов не определен!");
        t.RequestBufferError =
            Utf8ToAnsi("Ошибка конфигурации: Ошибка при создании буфера запроса");
        t.NotSnmpOrBadReply =
            Utf8ToAnsi("Устройство не поддерживает SNMP или ошибка в ответе! Код = ");
        t.TableSizeReadError = Utf8ToAnsi("Ошибка при чтении размера таблицы!");
        t.TableConfigError = Utf8ToAnsi("Ошибка конфигурации таблицы!");
        t.ImpossibleTableSize = Utf8ToAnsi("Получен невозможный размер таблицы");
        t.TableRequestError = Utf8ToAnsi("Ошибка при создании запроса на чтение таблицы");
        t.SnmpRequestError = Utf8ToAnsi("Ошибка SNMP запроса! Код = ");
        t.SnmpDataRequestError = Utf8ToAnsi("Ошибка при запросе SNMP данных! Код = ");
        t.IndexCaption = Utf8ToAnsi(" Индекс = ");
        for (const auto& text : PropertyTextsUtf8) {
            t.Properties.push_back(
                {text.Name, Utf8ToAnsi(text.Caption), Utf8ToAnsi(text.Description)});
        }
        return t;
    }();
    return texts;
}

const TSnmpPropertyText* FindSnmpPropertyText(const std::string& name) {
    for (const auto& text : SnmpProtocolTexts().Properties) {
        if (text.Name == name) {
            return &text;
        }
    }
    return nullptr;
}
