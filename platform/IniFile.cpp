// Settings files: a line-based reader and an in-place rewriter with the Windows profile rules.
#include "platform/IniFile.h"

#include "platform/FileReplace.h"

#include "platform/AnsiText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool ReadWholeFile(const std::string& path, std::string* text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    text->clear();
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return n == 0;
        }
        text->append(buffer, size_t(n));
    }
}

// The file split into lines without their terminators.
struct TIniLines {
    std::vector<std::string> Lines;
    bool Crlf = false;
    bool Bom = false;
};

TIniLines SplitLines(std::string_view text) {
    TIniLines result;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        result.Bom = true;
        text.remove_prefix(3);
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            if (result.Lines.empty())
                result.Crlf = true;
        }
        result.Lines.emplace_back(line);
        start = end + 1;
    }
    return result;
}

bool SameName(std::string_view a, std::string_view b) {
    return AnsiCompareText(a, b) == 0;
}

// A section header's name, or nothing when the line is no header.
std::optional<std::string> SectionName(const std::string& line) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] != '[')
        return std::nullopt;
    size_t close = trimmed.find(']');
    if (close == std::string::npos)
        close = trimmed.size();
    return Trim(std::string_view(trimmed).substr(1, close - 1));
}

// Splits "key=value" (blanks around both removed); false for comments and lines without '='.
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
    std::string trimmed = TrimLeft(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '[')
        return false;
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(std::string_view(trimmed).substr(0, eq));
    *value = Trim(std::string_view(trimmed).substr(eq + 1));
    return true;
}

// The line index of the first section header with this name, -1 when absent.
int FindSection(const std::vector<std::string>& lines, const std::string& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> name = SectionName(lines[i]);
        if (name && SameName(*name, Trim(section)))
            return int(i);
    }
    return -1;
}

// The first line of the key inside the section that starts after header, -1 when absent.
int FindKey(const std::vector<std::string>& lines, int header, const std::string& key) {
    std::string wanted = Trim(key);
    for (size_t i = size_t(header) + 1; i < lines.size(); ++i) {
        if (SectionName(lines[i]))
            break;
        std::string name, value;
        if (KeyValue(lines[i], &name, &value) && SameName(name, wanted))
            return int(i);
    }
    return -1;
}

std::optional<std::string> FindValue(const std::string& file, const std::string& section,
                                     const std::string& key) {
    std::string text;
    if (!ReadWholeFile(file, &text))
        return std::nullopt;
    TIniLines ini = SplitLines(text);
    int header = FindSection(ini.Lines, section);
    if (header < 0)
        return std::nullopt;
    int line = FindKey(ini.Lines, header, key);
    if (line < 0)
        return std::nullopt;
    std::string name, value;
    KeyValue(ini.Lines[size_t(line)], &name, &value);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

} // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) {
    std::optional<std::string> value = FindValue(file, section, key);
    return value ? *value : def;
}

int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                       int32_t def) {
    std::optional<std::string> value = FindValue(file, section, key);
    if (!value || value->empty())
        return def;
    const std::string& text = *value;
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    int64_t number = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + (text[pos++] - '0');
        if (number > int64_t(INT32_MAX) + 1)
            number = int64_t(INT32_MAX) + 1;
    }
    if (negative)
        number = -number;
    if (number > INT32_MAX)
        number = INT32_MAX;
    return int32_t(number);
}

bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key,
                 bool def) {
    std::optional<std::string> value = FindValue(file, section, key);
    if (value) {
        if (SameName(*value, "true"))
            return true;
        if (SameName(*value, "false"))
            return false;
    }
    return ReadIniInteger(file, section, key, def ? 1 : 0) != 0;
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    std::string sectionName = Trim(section);
    std::string keyName = Trim(key);
    if (sectionName.empty() || keyName.empty() || HasLineBreak(sectionName) ||
        HasLineBreak(keyName) || HasLineBreak(value) ||
        sectionName.find(']') != std::string::npos || keyName.find('=') != std::string::npos ||
        keyName[0] == '[' || keyName[0] == ';')
        return false;

    std::string text;
    if (!ReadWholeFile(file, &text)) {
        struct stat st {};
        if (stat(file.c_str(), &st) == 0)
            return false; // exists but unreadable: never overwrite what we could not read
        text.clear();
    }
    TIniLines ini = SplitLines(text);
    std::vector<std::string>& lines = ini.Lines;
    std::string entry = keyName + "=" + value;

    int header = FindSection(lines, sectionName);
    if (header < 0) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + sectionName + "]");
        lines.push_back(entry);
    } else {
        int line = FindKey(lines, header, keyName);
        if (line >= 0) {
            // Keep the spelling of the existing key.
            std::string existing, old;
            KeyValue(lines[size_t(line)], &existing, &old);
            lines[size_t(line)] = existing + "=" + value;
        } else {
            size_t end = size_t(header) + 1;
            while (end < lines.size() && !SectionName(lines[end]))
                ++end;
            size_t insertAt = end;
            while (insertAt > size_t(header) + 1 && Trim(lines[insertAt - 1]).empty())
                --insertAt;
            lines.insert(lines.begin() + std::ptrdiff_t(insertAt), entry);
        }
    }

    const char* eol = ini.Crlf ? "\r\n" : "\n";
    std::string out = ini.Bom ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : lines)
        out += line + eol;
    return ReplaceFile(file, out);
}

} // namespace platform
