// Row OIDs of the table requests: a template with one integer placeholder (%d) filled with the
// row number, following the format rules the configuration files were written for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Fills the template's placeholders with value. A placeholder is
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with type d (decimal), u (unsigned 32-bit) or x (upper-case hexadecimal), in either letter
// case; "%%" is a percent sign. There is one value, so only the first placeholder without an
// index (or any with index 0) can take it. False, with out unspecified, for a placeholder of
// another type (a text or number placeholder such as %s or %f), a second placeholder wanting a
// value, an index other than 0, a "*" width, a width or precision above MaxOidTemplateWidth, or
// a lone "%" at the end. A template without placeholder gives itself.
bool FormatOidTemplate(std::string_view pattern, int32_t value, std::string& out);

constexpr int32_t MaxOidTemplateWidth = 256;
