#include "tables/case_fold.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <vector>

namespace orb {

std::string FoldCase(std::string_view utf8) {
  std::string out(utf8);
  bool ascii = true;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  if (ascii)
    return out;

  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> wide(utf8.size() + 1);
  int32_t wideLength = 0;
  u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wideLength, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status))
    return out;  // not UTF-8: ASCII letters folded, the rest kept
  // Full folding can make a character three; leave room for that.
  std::vector<UChar> folded(static_cast<size_t>(wideLength) * 3 + 1);
  const int32_t foldedLength = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()),
                                             wide.data(), wideLength, U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status))
    return out;
  std::string result(static_cast<size_t>(foldedLength) * 3 + 1, '\0');
  int32_t resultLength = 0;
  u_strToUTF8(result.data(), static_cast<int32_t>(result.size()), &resultLength, folded.data(),
              foldedLength, &status);
  if (U_FAILURE(status))
    return out;
  result.resize(static_cast<size_t>(resultLength));
  return result;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a == b || FoldCase(a) == FoldCase(b);
}

}  // namespace orb
