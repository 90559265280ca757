// Letter case folding for comparing names without regard to case: field names
// of a table and the names of files in a folder.
#pragma once

#include <string>
#include <string_view>

namespace orb {

// `utf8` with its letters folded to one case (Unicode full case folding; ASCII
// without a call into ICU), so that two names that differ only in case fold to
// the same text. Bytes that are not UTF-8 are kept as they are.
std::string FoldCase(std::string_view utf8);

// True when the two names are equal without regard to letter case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace orb
