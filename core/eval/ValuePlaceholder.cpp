// Putting the received value into a conversion formula.
#include "core/eval/ValuePlaceholder.h"

namespace {

constexpr std::string_view kPlaceholder = "%VALUE%";

bool PlaceholderAt(std::string_view text, size_t i) {
    if (text.size() - i < kPlaceholder.size()) {
        return false;
    }
    for (size_t k = 0; k < kPlaceholder.size(); ++k) {
        char c = text[i + k];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != kPlaceholder[k]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string ReplaceValuePlaceholder(std::string_view formula, std::string_view valueText) {
    std::string result;
    result.reserve(formula.size() + valueText.size());
    size_t i = 0;
    while (i < formula.size()) {
        if (formula[i] == '%' && PlaceholderAt(formula, i)) {
            result += valueText;
            i += kPlaceholder.size();
        } else {
            result += formula[i];
            ++i;
        }
    }
    return result;
}
