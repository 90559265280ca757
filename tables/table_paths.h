// Where table files are found on this system.
#pragma once

#include <string>

namespace orb {

// Maps a directory as the host writes it to one on this system. Windows paths
// with a drive letter map as Windows programs on Linux see them: drive c: is
// ${WINEPREFIX:-$HOME/.wine}/drive_c, backslashes become slashes. Each part of
// the path is found without regard to letter case (exact name first).
std::string MapHostDirectory(const std::string& directory);

// Finds `name` inside `directory`: the exact name if it exists, otherwise the
// first entry whose name equals it ignoring letter case. Returns the full path,
// or the exact-name path when nothing matches (so errors name what was asked for).
std::string FindIgnoringCase(const std::string& directory, const std::string& name);

// The folder of the running executable, with a trailing separator.
std::string ExecutableDirectory();

}  // namespace orb
