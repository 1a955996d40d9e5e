// The driver's error codes and their texts (Windows-1251), as the reporters and the kernel's
// error-string export give them.
#pragma once

#include <cstdint>
#include <string>

// The text of code; "%d" in it is replaced by info. An unknown code gives the text of a general
// unregistered driver error.
std::string GetErrorText(int32_t code, int32_t info);
