// The base property table of every device, its captions and descriptions, edit information
// and the conversions between stored values and the editor's choice texts.
#include "core/driver/DeviceProperties.h"

#include "core/xml/TextValues.h"
#include "platform/AnsiText.h"

#include <array>
#include <string_view>

namespace {

struct TBaseProperty {
    const char* Name;
    const char* Default;
    uint8_t Kind;
};

// The table every device starts from, in this order.
constexpr std::array<TBaseProperty, 19> BaseProperties{{
    {"DeviceName", "New device", PropertyText},    {"DeviceIPAddress", "", PropertyText},
    {"DeviceAddress", "1", PropertyUnsigned},      {"IPPort", "502", PropertyUnsigned},
    {"TimeOut", "100", PropertyUnsigned},          {"RetryCount", "3", PropertyUnsigned},
    {"Enabled", "TRUE", PropertyBoolean},          {"RoutingPrefix", "VANTORELIX", PropertyText},
    {"ReqwestInterval", "2000", PropertyUnsigned}, {"PINGTimeOut", "500", PropertyUnsigned},
    {"ICMPOnConnect", "TRUE", PropertyBoolean},    {"VarConnectStateName", "", PropertyTagName},
    {"CommandStateName", "", PropertyTagName},     {"VarBlockCommand", "", PropertyTagName},
    {"RS232Port", "COM1", PropertyChoice},         {"RS232BaudRate", "9600", PropertyChoice},
    {"RS232StopBits", "0", PropertyChoice},        {"RS232ByteSize", "8", PropertyChoice},
    {"RS232Parity", "0", PropertyChoice},
}};

struct TPropertyText {
    const char* Name;
    const char* Caption;     // UTF-8
    const char* Description; // UTF-8
};

// The texts of this module, in UTF-8; converted to the code page once, on first use.
constexpr TPropertyText PropertyTextsUtf8[] = {
    {"DeviceName", "Имя устройства:",
     "Имя контролируемого устройства. Отображается в списке устройств и служит в реперезентативных "
     "целях. Должно быть уникальным в пределах драйвера. "},
    {"DeviceIPAddress", "IP адрес устройства:",
     "TCP/IP адрес устройства. Настоящая версия поддерживает только фиксированные адреса вида "
     "192.0.2.10."},
    {"IPPort", "Используемый IP порт:",
     "Номер порта, связанного с обслуживаемым протоколом. Уточняйте номер порта в описании "
     "протокола работы с контролируемым устройством."},
    {"DeviceAddress", "Логический адрес устройства:",
     "Логический или цифровой адрес устройства. Служит для идентификации устройства в пакете "
     "Vantorelix и при работе с устройством черех шлюзы преобразования протоколов."},
    {"TimeOut", "Время ожидания ответа:",
     "Время ожидания ответа от устройства (в милисекундах). Если устройство не ответило за "
     "установленный интервал времени, связь с устройством считается потерянной."},
    {"RetryCount", "Количество попыток соединения:",
     "Количество попыток установить связь с устройством до выдачи сигнала о потере связи. При "
     "потере связи тег контроля связи будет установлен в 1."},
    {"Enabled", "Устройство активно:",
     "Флаг разрешения/запрещения работы с контролируемым устройством. Если флаг сброшен драйвер не "
     "будет опрашивать устройство и отсылать команды к этому устройству."},
    {"RoutingPrefix", "Префикс роуминга тегов:",
     "Свойство идентифицирует префикс строки роуминга. Устройству будут приписаны теги с этим "
     "префиксом и соответствующим логическим адресом устройства."},
    {"ReqwestInterval", "Частота опроса устройства:",
     "Частота опроса устройства. Драйвер будет опрашивать устройство не чаще, чем установленный "
     "интервал опроса (милисекунды)."},
    {"PINGTimeOut", "Время ожидания ответа ICMP:",
     "Интервал времени, который требуется для проверки связи по протоколу ICMP. Как правило, этот "
     "интервал значительно меньше, чем время ожидания ответа от устройства. "},
    {"ICMPOnConnect", "Использовать ICMP для проверки связи:",
     "Флаг необходимости проверять доступность устройства в сети TCP/IP посылкой пакета TCP/IP. "
     "Если устройство не доступно по ICMP связь с устройством считается потерянной."},
    {"VarConnectStateName", "Тег контроля состояния связи:",
     "Имя тега контроля состояния связи. Тег устанавливается в 1 при потере связи и автоматически "
     "сбрасывается в 0 при восстановлении связи с устройством."},
    {"CommandStateName", "Тег квитирования команд:",
     "Имя тега квитирования команд. Значения тега необходимо смотреть в сопроводительной "
     "документации к драйверу."},
    {"VarBlockCommand", "Тег управления доступом:",
     "Если значение указанного тега станет равным 1, опрос устройства и отправка ему команд будут "
     "заблокированы."},
    {"RS232Port", "Порт RS232 или логический порт:",
     "Имя логического порта или порта RS232 для доступа к устройству. При многопоточном режиме "
     "работы все устройства, связанные с одним портом будут обслужены отдельным потоком."},
    {"RS232BaudRate", "Скорость передачи по порту RS-232:",
     "Скорость передачи данных по порту RS-232. Скорость передачи данных должна быть согласована "
     "со скоростью работы контролируемого устройства."},
    {"RS232StopBits", "Количество сатртовых/стоповых бит:",
     "Количество стартовых/стоповых бит. Данный параметр должен соответствовать аналогичному "
     "параметру на стороне контролируемого устройства."},
    {"RS232ByteSize", "Размер байта при передаче по RS-232:",
     "Количество бит данных в одном байте при передаче по порту RS-232. Параметр должен быть "
     "согласован с аналогичным параметром на стороне контролируемого устройства."},
    {"RS232Parity", "Проверять четность при передаче по RS-232:",
     "Способ проверки пакета по четности бит. Параметр должен быть согласован с аналогичным "
     "параметром на стороне контролируемого устройства."},
};

struct TAnsiPropertyText {
    std::string Name;
    std::string Caption;
    std::string Description;
};

const std::vector<TAnsiPropertyText>& PropertyTexts() {
    static const std::vector<TAnsiPropertyText> texts = [] {
        std::vector<TAnsiPropertyText> out;
        for (const auto& text : PropertyTextsUtf8) {
            out.push_back({text.Name, platform::Utf8ToAnsi(text.Caption),
                           platform::Utf8ToAnsi(text.Description)});
        }
        return out;
    }();
    return texts;
}

const TAnsiPropertyText* FindPropertyText(const std::string& name) {
    for (const auto& text : PropertyTexts()) {
        if (platform::AnsiCompareText(text.Name, name) == 0) {
            return &text;
        }
    }
    return nullptr;
}

const TStringList BaudRates{"110",   "300",   "600",    "1200",   "2400",
                            "4800",  "9600",  "14400",  "19200",  "38400",
                            "56000", "57600", "115200", "128000", "256000"};
const TStringList StopBits{"1", "1.5", "2"};
const TStringList ByteSizes{"8", "7"};
const TStringList Parities{"None", "Odd", "Even", "Mark", "Space"};

void SetChoices(TStringList& choices, const TStringList& values, int32_t& minimum,
                int32_t& maximum) {
    choices = values;
    minimum = 0;
    maximum = int32_t(values.size()) - 1;
}

} // namespace

void TDevicePropertyList::FreeItem(void* item) {
    delete static_cast<TDevicePropertyItem*>(item);
}

void TDevicePropertyList::Assign(const TDevicePropertyList& source) {
    if (&source == this) {
        return;
    }
    FreeAll();
    for (int32_t i = 0; i < source.Count(); ++i) {
        Insert(new TDevicePropertyItem(*source.Item(i)));
    }
}

void TDevicePropertyList::FillDefaults() {
    FreeAll();
    for (const auto& property : BaseProperties) {
        Insert(
            new TDevicePropertyItem{property.Name, GetDefaultValue(property.Name), property.Kind});
    }
}

std::string TDevicePropertyList::GetDefaultValue(const std::string& name) {
    for (const auto& property : BaseProperties) {
        if (name == property.Name) {
            return property.Default;
        }
    }
    return {};
}

bool TDevicePropertyList::GetEditInfo(const std::string& name, int32_t& minimum,
                                      TStringList* choices, uint8_t& kind, int32_t& maximum) {
    minimum = 0;
    maximum = 2147483647;
    kind = PropertyUnsigned;
    if (choices != nullptr) {
        choices->clear();
    }
    const TDevicePropertyItem* item = FindProperty(name);
    if (item == nullptr) {
        return false;
    }
    kind = item->Kind;
    if (kind == PropertyBoolean) {
        minimum = 0;
        maximum = 1;
        if (choices != nullptr) {
            *choices = {"FALSE", "TRUE"};
        }
    } else if (item->Name == "IPPort") {
        minimum = 1;
        maximum = 65535;
    } else if (item->Name == "DeviceAddress") {
        minimum = 1;
        maximum = 255;
    } else if (choices != nullptr) {
        if (item->Name == "RS232Port") {
            TStringList ports;
            for (int port = 1; port <= 255; ++port) {
                ports.push_back("COM" + std::to_string(port));
            }
            SetChoices(*choices, ports, minimum, maximum);
        } else if (item->Name == "RS232BaudRate") {
            SetChoices(*choices, BaudRates, minimum, maximum);
        } else if (item->Name == "RS232StopBits") {
            SetChoices(*choices, StopBits, minimum, maximum);
        } else if (item->Name == "RS232ByteSize") {
            SetChoices(*choices, ByteSizes, minimum, maximum);
        } else if (item->Name == "RS232Parity") {
            SetChoices(*choices, Parities, minimum, maximum);
        }
    }
    return true;
}

std::string TDevicePropertyList::GetValue(const std::string& name, const std::string& def) {
    const TDevicePropertyItem* item = FindProperty(name);
    return item != nullptr ? item->Value : def;
}

int32_t TDevicePropertyList::GetIntValue(const std::string& name, int32_t def) {
    const TDevicePropertyItem* item = FindProperty(name);
    int32_t value = def;
    return item != nullptr && TryTextToInt32(item->Value, value) ? value : def;
}

bool TDevicePropertyList::GetBoolValue(const std::string& name, bool def) {
    const TDevicePropertyItem* item = FindProperty(name);
    bool value = def;
    return item != nullptr && TryTextToBool(item->Value, value) ? value : def;
}

std::string TDevicePropertyList::ListChoiceToValue(const std::string& name,
                                                   const TStringList& choices, int32_t index) {
    if (index < 0 || size_t(index) >= choices.size()) {
        return {};
    }
    const std::string key = platform::Trim(name);
    const std::string& choice = choices[size_t(index)];
    if (key == "RS232StopBits") {
        return choice == "1.5" ? "1" : (choice == "2" ? "2" : "0");
    }
    if (key == "RS232ByteSize") {
        return choice == "7" ? "4" : "8";
    }
    if (key == "RS232Parity") {
        for (size_t i = 0; i < Parities.size(); ++i) {
            if (choice == Parities[i]) {
                return std::to_string(i);
            }
        }
        return "0";
    }
    return choice; // RS232Port, RS232BaudRate and every other property: the text itself
}

std::string TDevicePropertyList::ValueToDisplay(const std::string& name, const std::string& value) {
    const std::string key = platform::Trim(name);
    if (key == "RS232StopBits") {
        if (value == "0") {
            return "1";
        }
        if (value == "1") {
            return "1.5";
        }
        return value;
    }
    if (key == "RS232ByteSize") {
        return value == "4" ? "7" : value;
    }
    if (key == "RS232Parity") {
        for (size_t i = 0; i < Parities.size(); ++i) {
            if (value == std::to_string(i)) {
                return Parities[i];
            }
        }
        return "None";
    }
    return value;
}

bool TDevicePropertyList::GetCaption(const std::string& name, std::string& caption) {
    const TAnsiPropertyText* text = FindPropertyText(name);
    caption = text != nullptr ? text->Caption : "???";
    return text != nullptr;
}

bool TDevicePropertyList::GetDescription(const std::string& name, std::string& description) {
    const TAnsiPropertyText* text = FindPropertyText(name);
    description = text != nullptr ? text->Description : std::string();
    return text != nullptr;
}

bool TDevicePropertyList::EditCustomProperty(void* /*owner*/, TDevicePropertyItem& /*item*/) {
    return false;
}

TDevicePropertyItem* TDevicePropertyList::FindProperty(const std::string& name) const {
    const std::string key = platform::Trim(name);
    for (int32_t i = 0; i < Count(); ++i) {
        TDevicePropertyItem* item = Item(i);
        if (item->Name == key) {
            return item;
        }
    }
    return nullptr;
}

bool TDevicePropertyList::DeleteProperty(const std::string& name) {
    TDevicePropertyItem* item = FindProperty(name);
    if (item == nullptr) {
        return false;
    }
    AtFree(IndexOf(item));
    return true;
}

bool TDevicePropertyList::SetProperty(const std::string& name, const std::string& value,
                                      uint8_t kind) {
    const std::string key = platform::Trim(name);
    if (key.empty()) {
        return false;
    }
    TDevicePropertyItem* item = FindProperty(key);
    if (item == nullptr) {
        item = new TDevicePropertyItem{key, {}, kind};
        Insert(item);
    }
    item->Value = value;
    item->Kind = kind;
    return true;
}
