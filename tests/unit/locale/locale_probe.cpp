// Prints the settings record LoadLocaleFormats reads from the environment, one
// field a line ("Field=value", lists joined with "|"), for the locale tests.
#include <cstdio>
#include <string>

#include "tables/locale_formats.h"

namespace {

template <typename Names>
std::string Joined(const Names& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty())
      out += '|';
    out += name;
  }
  return out;
}

void Print(const char* field, const std::string& value) {
  std::printf("%s=%s\n", field, value.c_str());
}

}  // namespace

int main() {
  const orb::TLocaleFormats formats = orb::LoadLocaleFormats();
  Print("DecimalMark", formats.DecimalMark);
  Print("DateMark", formats.DateMark);
  Print("TimeMark", formats.TimeMark);
  Print("ShortDatePattern", formats.ShortDatePattern);
  Print("LongDatePattern", formats.LongDatePattern);
  Print("ShortTimePattern", formats.ShortTimePattern);
  Print("LongTimePattern", formats.LongTimePattern);
  Print("AmDesignator", formats.AmDesignator);
  Print("PmDesignator", formats.PmDesignator);
  Print("MonthAbbreviations", Joined(formats.MonthAbbreviations));
  Print("MonthFullNames", Joined(formats.MonthFullNames));
  Print("DayAbbreviations", Joined(formats.DayAbbreviations));
  Print("DayFullNames", Joined(formats.DayFullNames));
  return 0;
}
