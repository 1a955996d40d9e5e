// Object identifiers as text ("1.3.6.1.2.1.1.3.0", no leading dot) and their BER content.
// A leading dot is accepted on input, since configurations and command lines often carry one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace snmp {

constexpr size_t MaxOidComponents = 128;

// Parses dotted decimal text into components; false for an empty, malformed or invalid OID.
bool ParseOid(std::string_view text, std::vector<uint32_t>& components);
// Dotted decimal text without a leading dot.
std::string FormatOid(const std::vector<uint32_t>& components);
// Rewrites text to its canonical form (leading dot dropped); false when it is not an OID.
bool NormaliseOid(std::string_view text, std::string& canonical);

// BER content octets of an OBJECT IDENTIFIER.
bool EncodeOidContent(std::string_view text, std::string& out);
bool DecodeOidContent(std::string_view content, std::string& text);

} // namespace snmp
