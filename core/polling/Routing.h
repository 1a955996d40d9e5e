// The routing string of a kernel tag: which device (routing prefix and device address) and which
// place inside it (numeric address or string address) the tag's value comes from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Three forms, letter case and blanks around every part ignored:
//   "PREFIX: DEVICE=<n>; ADDRESS=<n>"   numeric address
//   "PREFIX: ROUTING=<text>"            string address, in the letter case written
//   "PREFIX: <text without '='>"        string address, the whole text after the colon
// The outputs are reset first (empty, -1). prefix comes out in upper case; a number that does not
// read (trailing text included) gives -1. False for an empty text, a text without a colon, a key
// other than ROUTING or DEVICE, a DEVICE form without ';' or without "ADDRESS=".
bool ParseRouting(std::string_view text, std::string& prefix, int32_t& device,
                  std::string& strAddress, int32_t& address);
