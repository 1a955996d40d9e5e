// The kernel stand-in's variable database: a text file with one tag per line, read into the
// kernel's 761-byte variable descriptions.
#pragma once

#include "core/intercom/VariableInfo.h"

#include <string>
#include <vector>

// One line per tag, fields separated by '|', blanks around fields ignored, '#' starts a comment
// line:
//   name | id | routing | type | bound1 | bound2 | deadband | scale | inverse | value
// name: at most 40 characters; routing: at most 254; type: the kernel type code (0..255);
// bound1, bound2, deadband, scale, value: decimal numbers; inverse: 0 or 1. The last six fields
// may be left off (0, 100, 0, 0, 0, 0). The file is in the kernel's code page (Windows-1251).
struct TTagDatabase {
    std::vector<TVariableInfo> Tags;

    // False with a message naming the line when the file cannot be read or a line is wrong;
    // the tags of the lines before stay in Tags.
    bool LoadFromFile(const std::string& fileName, std::string& error);
    bool LoadFromText(const std::string& text, std::string& error);
};
