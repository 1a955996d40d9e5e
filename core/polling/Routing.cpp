// Parsing of routing strings.
#include "core/polling/Routing.h"

#include "core/xml/TextValues.h"
#include "platform/AnsiText.h"

namespace {

int32_t NumberOr(std::string_view text, int32_t fallback) {
    int32_t value = fallback;
    return TryTextToInt32(text, value) ? value : fallback;
}

// The text as written and its upper-case copy, cut in step: upper-casing keeps every character
// in its place, and trimming (codes 0..32) cuts both at the same places.
struct TTwoCases {
    std::string_view Written;
    std::string_view Upper;

    void Trim() {
        const std::string_view trimmed = TrimBlanks(Upper);
        const size_t start = size_t(trimmed.data() - Upper.data());
        Written = Written.substr(start, trimmed.size());
        Upper = trimmed;
    }
    // Everything after position at, trimmed.
    void DropThrough(size_t at) {
        Written.remove_prefix(at + 1);
        Upper.remove_prefix(at + 1);
        Trim();
    }
};

} // namespace

bool ParseRouting(std::string_view text, std::string& prefix, int32_t& device,
                  std::string& strAddress, int32_t& address) {
    prefix.clear();
    strAddress.clear();
    device = -1;
    address = -1;

    const std::string upper = platform::AnsiUpperCase(text);
    TTwoCases rest{text, upper};
    rest.Trim();
    if (rest.Upper.empty()) {
        return false;
    }
    const size_t colon = rest.Upper.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    prefix = std::string(TrimBlanks(rest.Upper.substr(0, colon)));
    rest.DropThrough(colon);

    const size_t equals = rest.Upper.find('=');
    if (equals == std::string_view::npos) {
        strAddress = std::string(rest.Written);
        return true;
    }
    const std::string_view key = TrimBlanks(rest.Upper.substr(0, equals));
    rest.DropThrough(equals);
    if (key == "ROUTING") {
        strAddress = std::string(rest.Written);
        return true;
    }
    if (key != "DEVICE") {
        return false;
    }

    const size_t semicolon = rest.Upper.find(';');
    if (semicolon == std::string_view::npos) {
        return false;
    }
    device = NumberOr(TrimBlanks(rest.Upper.substr(0, semicolon)), -1);
    rest.DropThrough(semicolon);

    const size_t equals2 = rest.Upper.find('=');
    if (equals2 == std::string_view::npos) {
        return false;
    }
    if (TrimBlanks(rest.Upper.substr(0, equals2)) != "ADDRESS") {
        return false;
    }
    rest.DropThrough(equals2);
    address = NumberOr(rest.Upper, -1);
    return true;
}
