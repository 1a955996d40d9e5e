// The placeholder of a conversion formula: "%VALUE%" in any letter case stands for the value
// the device received, written as text, before the formula is evaluated.
#pragma once

#include <string>
#include <string_view>

// The formula with every "%VALUE%" (ASCII case ignored) replaced by valueText, left to right
// without rescanning what was put in. Linear in the length of the result.
std::string ReplaceValuePlaceholder(std::string_view formula, std::string_view valueText);
