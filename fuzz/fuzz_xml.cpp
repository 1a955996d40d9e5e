// libFuzzer target for the element reader: cuts elements off the input the way the
// configuration readers do, parses each one, looks attributes up and walks nested content.
#include "core/xml/DrvXmlTools.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Takes every element off text, checking the string and view forms agree; parses each and
// queues its content for the next level (bounded so one input cannot run away).
void WalkLevel(const std::string& text, std::vector<std::string>& next) {
    std::string buffer = text;
    std::string_view view = text;
    for (;;) {
        std::string element;
        std::string_view viewElement;
        const size_t before = buffer.size();
        TakeNextElement(buffer, element);
        TakeNextElement(view, viewElement);
        Check(element == viewElement && buffer == view);
        if (element.empty()) {
            return;
        }
        Check(buffer.size() < before);
        Check(element.front() == '<' && element.back() == '>');

        TXMLDataItem item;
        if (item.Parse(element)) {
            for (const std::string& line : item.Attributes) {
                const size_t equals = line.find('=');
                Check(equals != std::string::npos && equals > 0);
                Check(line.size() >= equals + 3 && line[equals + 1] == '"' && line.back() == '"');
            }
            (void)item.GetAttribute("name", "");
            (void)item.GetAttributeInt("id", -1);
            (void)item.GetAttributeBool("Enabled", true);
            if (!item.Attributes.empty()) {
                const std::string& first = item.Attributes.front();
                (void)item.GetAttribute(first.substr(0, first.find('=')), "?");
            }
            if (!item.Content.empty() && next.size() < 64) {
                next.push_back(item.Content);
            }
        }
        (void)IsSelfClosingAt(element, element.size() / 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> level{std::string(reinterpret_cast<const char*>(data), size)};
    for (int depth = 0; depth < 16 && !level.empty(); ++depth) {
        std::vector<std::string> next;
        for (const std::string& text : level) {
            WalkLevel(text, next);
        }
        level.swap(next);
    }
    return 0;
}
