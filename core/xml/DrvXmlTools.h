// The minimal element reader of the configuration files: cut elements out of a text, split one
// element into name, attribute lines and content, and look attributes up with defaults.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The notation is narrower than XML: no processing instructions, CDATA or entity references
// (entities pass through as written), values in double or single quotes, only the space
// character after a tag name, and everything case-sensitive. Texts are 8-bit (Windows-1251);
// "trim" always removes the codes 0..32 from both ends.

// One line per attribute, always name="value" whatever quote the source used.
using TAttributeLines = std::vector<std::string>;

// Cuts the first element (opening tag to its balanced closing tag, or one self-closing tag) off
// buffer, after skipping the complete comments that stand before it. Element is empty when the
// buffer does not start with a complete element; buffer then keeps the untaken text, trimmed
// and without its leading comments, for the caller's error message.
void TakeNextElement(std::string& buffer, std::string& element);

// The same over a view: buffer is advanced instead of copied and element points into the same
// text, so walking many elements costs no copies of the remainder.
void TakeNextElement(std::string_view& buffer, std::string_view& element);

// Splits one element text into name, attribute lines and trimmed content. After a false result
// the outputs hold what was filled before the failing step.
bool ParseElement(std::string_view text, TAttributeLines& attributes, std::string& name,
                  std::string& content);

// Appends the attribute lines of the attribute part of an opening tag. Text left without an
// '=' is ignored; a missing name, an unquoted or unterminated value gives false, keeping the
// lines appended before it.
bool ParseAttributes(std::string_view text, TAttributeLines& attributes);

// Whether the first '>' at or after offset (counted from 0) is preceded by '/'; false when
// offset is not inside the text or no '>' follows.
bool IsSelfClosingAt(std::string_view text, size_t offset);

// One parsed element.
class TXMLDataItem {
public:
    TXMLDataItem() = default;
    virtual ~TXMLDataItem() = default;

    virtual void Clear();

    // Clear, then parse the trimmed text; an empty or blank text succeeds with empty fields.
    bool Parse(std::string_view text);

    // The value of the first attribute line for name (case-sensitive), else def.
    std::string GetAttribute(std::string_view name, std::string_view def) const;
    void GetAttribute(std::string_view name, std::string_view def, std::string& value) const;
    // The attribute as a signed 32-bit integer; def when missing or not a number.
    int32_t GetAttributeInt(std::string_view name, int32_t def) const;
    // "True"/"False" in any case or a number (non-zero is true); def when missing or other.
    bool GetAttributeBool(std::string_view name, bool def) const;

    std::string Name;
    TAttributeLines Attributes;
    std::string Content; // trimmed; empty for a self-closing element
};
