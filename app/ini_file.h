// The private-profile (INI) writer through which the converter leaves its
// completion flag for the host in Orbalis.ini.
#pragma once

#include <cstdint>
#include <string>

namespace orb {

// Writes `value` as decimal text to `key` of `section` in the INI file `fileName`.
// Section and key are found without regard to letter case and created where
// missing; every other line is kept byte for byte (comments, blank lines, other
// sections, a BOM, the file's line endings); a new file gets CR LF. The file is
// replaced atomically (temporary file in the same folder, flushed, renamed), so
// the host's other settings are never lost. Raises EIniFileException
// "Unable to write to <fileName>" on any failure, leaving the file as it was.
void WritePrivateProfileInt(const std::string& fileName, const std::string& section,
                            const std::string& key, int32_t value);

// The same edit on the file's bytes, for callers that keep the text themselves
// (the fuzzer, the tests): returns the new content.
std::string EditPrivateProfile(const std::string& content, const std::string& section,
                               const std::string& key, const std::string& value);

}  // namespace orb
