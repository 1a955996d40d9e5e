// Settings files read and written with the Windows profile rules: [section] key=value lines,
// section and key names case-insensitive, a missing file or key gives the caller's default.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The leading decimal integer of the value, as the Windows profile reader takes it: blanks,
// an optional sign, then digits ("12abc" is 12, "abc" is 0). A missing key or an empty value
// gives def; values beyond the int32 range are clamped to it.
int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def);

// A non-zero integer is true; the words "true" and "false" (any letter case) are understood too.
bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def);

// The value with surrounding blanks removed, and one pair of enclosing quotes ("..." or '...').
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);

// Replaces the key's value, adding the key or the section when missing; the file is created
// when absent and replaced as a whole (never left half-written). False when it cannot be
// written or when a name or the value would break the line structure (line breaks, a key with
// '=' or starting with '[' or ';', a section with ']').
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

} // namespace platform
