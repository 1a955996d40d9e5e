// Whole-file reading and replacing for the driver's own files: a replaced file is either the
// old one or the new one, never a mix, also when the write fails half-way.
#pragma once

#include <string>

// False when the file does not exist or cannot be read.
bool ReadWholeFile(const std::string& fileName, std::string& content);

// Writes content to a temporary file beside fileName and renames it over fileName (keeping
// the old file's permission bits). On failure the temporary file is removed and fileName is
// untouched.
bool ReplaceWholeFile(const std::string& fileName, const std::string& content);
