// The element reader. It works by searching the remaining text again for every element; the
// searches below remember what they found so that no byte is scanned twice for one pattern
// while one element is balanced.
#include "core/xml/DrvXmlTools.h"

#include "core/xml/TextValues.h"

#include <algorithm>
#include <utility>

namespace {

constexpr auto NotFound = std::string_view::npos;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// First occurrence of a pattern at or after a position, remembering the last answer: a later
// question from a position not beyond that answer is answered without searching again.
class TForwardFinder {
public:
    TForwardFinder(std::string_view text, std::string pattern)
        : Text(text), Pattern(std::move(pattern)) {}

    size_t From(size_t pos) {
        if (!Valid || pos < SearchedFrom || (Found != NotFound && Found < pos)) {
            Found = Text.find(Pattern, pos);
            SearchedFrom = pos;
            Valid = true;
        }
        return Found;
    }

private:
    std::string_view Text;
    std::string Pattern;
    size_t SearchedFrom = 0;
    size_t Found = NotFound;
    bool Valid = false;
};

// The next opening of a same-name element at or after a position, skipping self-closing ones.
class TOpeningFinder {
public:
    TOpeningFinder(std::string_view text, std::string withSpace, std::string withClose)
        : Text(text), WithSpace(text, std::move(withSpace)), WithClose(text, std::move(withClose)),
          Close(text, ">") {}

    size_t From(size_t pos) {
        for (;;) {
            const size_t a = WithSpace.From(pos);
            const size_t b = WithClose.From(pos);
            const size_t opening = std::min(a, b); // NotFound is the largest value
            if (opening == NotFound) {
                return NotFound;
            }
            if (!IsSelfClosing(opening)) {
                return opening;
            }
            pos = opening + 1;
        }
    }

private:
    bool IsSelfClosing(size_t offset) {
        if (offset >= Text.size()) {
            return false;
        }
        const size_t g = Close.From(offset);
        return g != NotFound && g > 0 && Text[g - 1] == '/';
    }

    std::string_view Text;
    TForwardFinder WithSpace;
    TForwardFinder WithClose;
    TForwardFinder Close;
};

// Comments standing before the element are dropped; false when one has no end.
bool SkipLeadingComments(std::string_view& buffer) {
    while (StartsWith(buffer, "<!--")) {
        const size_t end = buffer.find("-->");
        if (end == NotFound) {
            return false;
        }
        buffer = TrimBlanks(buffer.substr(end + 3));
    }
    return true;
}

} // namespace

void TakeNextElement(std::string_view& buffer, std::string_view& element) {
    element = {};
    buffer = TrimBlanks(buffer);
    if (!SkipLeadingComments(buffer)) {
        return;
    }
    if (buffer.size() <= 2 || buffer[0] != '<') {
        return;
    }
    const size_t g = buffer.find('>');
    if (g == NotFound) {
        return;
    }
    if (buffer[g - 1] == '/') {
        element = TrimBlanks(buffer.substr(0, g + 1));
        buffer = TrimBlanks(buffer.substr(g + 1));
        return;
    }
    const size_t space = buffer.find(' ');
    const size_t nameEnd = (space == NotFound || space > g) ? g : space;
    if (nameEnd <= 1) {
        return; // "<>" or "< ": no name
    }
    const std::string name(TrimBlanks(buffer.substr(1, nameEnd - 1)));
    const std::string closing = "</" + name + ">";
    size_t c = buffer.find(closing);
    if (c == NotFound) {
        return;
    }
    // Same-name elements nested inside move the end to a later closing tag, one per opening.
    TOpeningFinder openings(buffer, "<" + name + " ", "<" + name + ">");
    size_t opening = openings.From(1);
    while (opening != NotFound && opening < c) {
        c = buffer.find(closing, c + 1);
        if (c == NotFound) {
            return; // unbalanced
        }
        opening = openings.From(opening + 1);
    }
    const size_t length = c + closing.size();
    element = buffer.substr(0, length);
    buffer = TrimBlanks(buffer.substr(length));
}

void TakeNextElement(std::string& buffer, std::string& element) {
    std::string_view rest(buffer);
    std::string_view taken;
    TakeNextElement(rest, taken);
    element.assign(taken);
    const size_t start = static_cast<size_t>(rest.data() - buffer.data());
    const size_t length = rest.size();
    buffer.erase(start + length);
    buffer.erase(0, start);
}

bool IsSelfClosingAt(std::string_view text, size_t offset) {
    if (offset >= text.size()) {
        return false;
    }
    const size_t g = text.find('>', offset);
    return g != NotFound && g > 0 && text[g - 1] == '/';
}

bool ParseAttributes(std::string_view text, TAttributeLines& attributes) {
    text = TrimBlanks(text);
    while (!text.empty()) {
        const size_t equals = text.find('=');
        if (equals == NotFound) {
            return true; // what is left is ignored
        }
        const std::string_view name = TrimBlanks(text.substr(0, equals));
        std::string_view rest = TrimBlanks(text.substr(equals + 1));
        if (name.empty() || rest.empty()) {
            return false;
        }
        const char quote = rest[0];
        if (quote != '"' && quote != '\'') {
            return false;
        }
        rest.remove_prefix(1);
        const size_t end = rest.find(quote);
        if (end == NotFound) {
            return false;
        }
        std::string line;
        line.reserve(name.size() + end + 3);
        line.append(name).append("=\"").append(rest.substr(0, end)).append("\"");
        attributes.push_back(std::move(line));
        text = TrimBlanks(rest.substr(end + 1));
    }
    return true;
}

bool ParseElement(std::string_view text, TAttributeLines& attributes, std::string& name,
                  std::string& content) {
    name.clear();
    content.clear();
    attributes.clear();
    text = TrimBlanks(text);
    if (text.size() < 3 || text.front() != '<' || text.back() != '>') {
        return false;
    }
    text.remove_prefix(1);
    const bool selfClosing = text[text.size() - 2] == '/';
    if (selfClosing) {
        text.remove_suffix(2);
    }
    const size_t space = text.find(' ');
    const size_t g = text.find('>');
    std::string_view body;
    if (selfClosing && g == NotFound) {
        if (space == NotFound) {
            name.assign(text); // <name/>
            return true;
        }
        name.assign(text.substr(0, space)); // <name a="1"/>
        return ParseAttributes(TrimBlanks(text.substr(space + 1)), attributes);
    }
    if (g == NotFound) {
        return false;
    }
    if (space == NotFound || g < space) {
        name.assign(text.substr(0, g)); // <name>...</name>
        body = text.substr(g + 1);
    } else {
        name.assign(text.substr(0, space)); // <name a="1">...</name>
        const std::string_view rest = TrimBlanks(text.substr(space + 1));
        const size_t attributesEnd = rest.find('>');
        if (attributesEnd == NotFound) {
            return false;
        }
        if (!ParseAttributes(rest.substr(0, attributesEnd), attributes)) {
            return false;
        }
        body = rest.substr(attributesEnd + 1);
    }
    const std::string closing = "</" + name + ">";
    if (!EndsWith(body, closing)) {
        return false;
    }
    content.assign(TrimBlanks(body.substr(0, body.size() - closing.size())));
    return true;
}

void TXMLDataItem::Clear() {
    Name.clear();
    Content.clear();
    Attributes.clear();
}

bool TXMLDataItem::Parse(std::string_view text) {
    Clear();
    text = TrimBlanks(text);
    if (text.empty()) {
        return true;
    }
    return ParseElement(text, Attributes, Name, Content);
}

void TXMLDataItem::GetAttribute(std::string_view name, std::string_view def,
                                std::string& value) const {
    for (const std::string& line : Attributes) {
        const std::string_view view(line);
        if (view.size() <= name.size() || !StartsWith(view, name) || view[name.size()] != '=') {
            continue;
        }
        const std::string_view rest = view.substr(name.size() + 1);
        if (rest.size() > 1 && rest.front() == '"' && rest.back() == '"') {
            value.assign(rest.substr(1, rest.size() - 2));
            return;
        }
    }
    value.assign(def);
}

std::string TXMLDataItem::GetAttribute(std::string_view name, std::string_view def) const {
    std::string value;
    GetAttribute(name, def, value);
    return value;
}

int32_t TXMLDataItem::GetAttributeInt(std::string_view name, int32_t def) const {
    // The fallback text never reads as a number, so a missing attribute gives def.
    int32_t value = def;
    return TryTextToInt32(GetAttribute(name, "UNISED"), value) ? value : def;
}

bool TXMLDataItem::GetAttributeBool(std::string_view name, bool def) const {
    bool value = def;
    return TryTextToBool(GetAttribute(name, def ? "True" : "False"), value) ? value : def;
}
