// Settings files read and written with the Windows profile rules: [section] key=value lines,
// section and key names case-insensitive, a missing file or key gives the caller's default.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The leading integer of the value (sign, decimal digits; "0x" hexadecimal too), as the Windows
// profile reader: "12abc" is 12, a value without a leading number is 0; a missing key is def.
int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def);

// Non-zero integer is true.
bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def);

// The value with surrounding blanks removed; one pair of enclosing quotes is removed too.
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def);

// Replaces the key's value, adding the key or the section when missing; the file is created
// when absent. False when the file cannot be written.
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

} // namespace platform
