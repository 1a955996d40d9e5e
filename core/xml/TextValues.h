// Reading numbers and booleans out of configuration texts, and trimming of blanks.
// Shared by the element reader's attribute look-ups and the device property lists.
#pragma once

#include <cstdint>
#include <string_view>

// Removes the characters with codes 0..32 from both ends.
std::string_view TrimBlanks(std::string_view text);

// A decimal signed 32-bit integer with an optional sign; surrounding blanks are allowed.
// False for anything else, including values out of range.
bool TryTextToInt32(std::string_view text, int32_t& value);

// "True" or "False" in any letter case, or a decimal number (non-zero is true, fractions and
// exponents allowed); surrounding blanks are allowed. False for anything else.
bool TryTextToBool(std::string_view text, bool& value);
