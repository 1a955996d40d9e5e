#include "kernel/TagDatabase.h"

#include "platform/AnsiText.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    while (true) {
        const auto end = line.find('|', start);
        fields.push_back(platform::Trim(line.substr(start, end - start)));
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 1;
    }
}

template <typename T> bool ParseNumber(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

} // namespace

bool TTagDatabase::LoadFromFile(const std::string& fileName, std::string& error) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        error = "cannot read " + fileName;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return LoadFromText(text.str(), error);
}

bool TTagDatabase::LoadFromText(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        line = platform::Trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto fields = SplitFields(line);
        const auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(lineNumber) + ": " + what;
            return false;
        };
        if (fields.size() < 3 || fields.size() > 10) {
            return fail("expected 3 to 10 fields separated by '|'");
        }
        TVariableInfo info;
        std::memset(&info, 0, sizeof(info));
        int32_t id = 0;
        if (fields[0].empty() || fields[0].size() > 40) {
            return fail("the name must have 1 to 40 characters");
        }
        if (!ParseNumber(fields[1], id)) {
            return fail("the id is not an integer");
        }
        if (fields[2].size() > 254) {
            return fail("the routing string is longer than 254 characters");
        }
        int type = 0;
        double numbers[5] = {0, 100, 0, 0, 0};
        int inverse = 0;
        if (fields.size() > 3 && (!ParseNumber(fields[3], type) || type < 0 || type > 255)) {
            return fail("the type code is not a number 0..255");
        }
        for (size_t i = 0; i < 4; ++i) {
            if (fields.size() > 4 + i && !ParseNumber(fields[4 + i], numbers[i])) {
                return fail("field " + std::to_string(5 + i) + " is not a number");
            }
        }
        if (fields.size() > 8 && (!ParseNumber(fields[8], inverse) || inverse < 0 || inverse > 1)) {
            return fail("inverse must be 0 or 1");
        }
        if (fields.size() > 9 && !ParseNumber(fields[9], numbers[4])) {
            return fail("the value is not a number");
        }
        info.Id.Set(id);
        info.TagName.Set(fields[0]);
        info.Routing.Set(fields[2]);
        info.TypeCode = uint8_t(type);
        info.Bound1.Set(float(numbers[0]));
        info.Bound2.Set(float(numbers[1]));
        info.DeadBand.Set(float(numbers[2]));
        info.Scale.Set(float(numbers[3]));
        info.Inverse.Set(inverse);
        info.Value.Set(float(numbers[4]));
        Tags.push_back(info);
    }
    return true;
}
