// Settings files (stub).
#include "platform/IniFile.h"

namespace platform {

int32_t ReadIniInteger(const std::string&, const std::string&, const std::string&, int32_t def) {
    return def;
}
bool ReadIniBool(const std::string&, const std::string&, const std::string&, bool def) {
    return def;
}
std::string ReadIniString(const std::string&, const std::string&, const std::string&,
                          const std::string& def) {
    return def;
}
bool WriteIniString(const std::string&, const std::string&, const std::string&,
                    const std::string&) {
    return false;
}

} // namespace platform
