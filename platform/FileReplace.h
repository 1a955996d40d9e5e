// Replacing a whole file so that readers, and a crash half-way, only ever see the old file or
// the new one: write beside it, flush to the disk, rename over it.
#pragma once

#include <string>

namespace platform {

// Writes content to a new file beside path (keeping the old file's permission bits, else
// 0644), flushes it to the disk and renames it over path. On failure the temporary file is
// removed and path is untouched.
bool ReplaceFile(const std::string& path, const std::string& content);

} // namespace platform
