// A device's named text properties (the form they take in the configuration file and the
// device dialog), the base property table and the conversions the property editor uses.
#pragma once

#include "core/collections/Collections.h"

#include <cstdint>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// How a property is edited.
enum TPropertyKind : uint8_t {
    PropertyText = 0,     // free text
    PropertyUnsigned = 1, // digits only; empty becomes "0"
    PropertyBoolean = 2,  // "FALSE" or "TRUE"
    PropertyDecimal = 3,  // digits and the point; empty becomes "0"
    PropertyChoice = 4,   // one of the texts GetEditInfo supplies, stored by ListChoiceToValue
    PropertyTagName = 5,  // a kernel tag name (trimmed)
    PropertyCustom = 6,   // edited by EditCustomProperty
};

struct TDevicePropertyItem {
    std::string Name;  // compared case-sensitively by the list's own look-ups
    std::string Value; // the stored form, as in the configuration file
    uint8_t Kind = PropertyText;
};

// Items in insertion order, which is the order of the attributes in the configuration file and
// of the rows in the device dialog. Owns its items. Texts are Windows-1251.
class TDevicePropertyList : public TBaseArray {
public:
    TDevicePropertyList() = default;
    ~TDevicePropertyList() override { FreeAll(); }

    void FreeItem(void* item) override;

    // Empties the list, then appends a copy of every source item in order.
    virtual void Assign(const TDevicePropertyList& source);
    // Empties the list, then adds the base table with the values GetDefaultValue gives.
    virtual void FillDefaults();
    // Case-sensitive name; empty for a name the table does not know.
    virtual std::string GetDefaultValue(const std::string& name);
    // Kind and limits of the property and, when choices is given, its choice texts. False (kind
    // 1, limits 0 .. 2147483647, no choices) when the list has no such property.
    virtual bool GetEditInfo(const std::string& name, int32_t& minimum, TStringList* choices,
                             uint8_t& kind, int32_t& maximum);
    virtual std::string GetValue(const std::string& name, const std::string& def);
    // The value as a decimal integer, else def (also when it does not read as one).
    virtual int32_t GetIntValue(const std::string& name, int32_t def);
    // "True"/"False" in any case or a number (non-zero is true), else def.
    virtual bool GetBoolValue(const std::string& name, bool def);
    // The stored form of choice index of choices; empty when index is outside the list.
    virtual std::string ListChoiceToValue(const std::string& name, const TStringList& choices,
                                          int32_t index);
    // What the editor shows for a stored value; values it does not map pass unchanged.
    virtual std::string ValueToDisplay(const std::string& name, const std::string& value);
    // Case-insensitive name. False with "???" (caption) or an empty text for unknown names.
    virtual bool GetCaption(const std::string& name, std::string& caption);
    virtual bool GetDescription(const std::string& name, std::string& description);
    // True when the value was changed; the base has no custom editor.
    virtual bool EditCustomProperty(void* owner, TDevicePropertyItem& item);

    // The first item whose name equals the trimmed name (case-sensitive), or null.
    TDevicePropertyItem* FindProperty(const std::string& name) const;
    // Removes and frees the first such item; false when there is none.
    bool DeleteProperty(const std::string& name);
    // Sets value and kind, appending the item when missing; false for a blank name.
    bool SetProperty(const std::string& name, const std::string& value, uint8_t kind);

    TDevicePropertyItem* Item(int32_t index) const {
        return static_cast<TDevicePropertyItem*>(At(index));
    }
};
