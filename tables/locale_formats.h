// TLocaleFormats: the user's regional settings that value text uses, and
// LoadLocaleFormats, which reads them from the system.
#pragma once

#include <array>
#include <string>

namespace orb {

// One record for the whole process. Marks are one character, held as UTF-8
// (so they may take more than one byte); an empty mark writes nothing.
struct TLocaleFormats {
  std::string DecimalMark = ".";
  std::string DateMark = "/";
  std::string TimeMark = ":";
  std::string ShortDatePattern = "m/d/yy";
  std::string LongDatePattern = "mmmm d, yyyy";
  std::string ShortTimePattern = "h:mm AMPM";
  std::string LongTimePattern = "h:mm:ss AMPM";
  std::string AmDesignator = "am";
  std::string PmDesignator = "pm";
  std::array<std::string, 12> MonthAbbreviations{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> MonthFullNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  std::array<std::string, 7> DayAbbreviations{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> DayFullNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// Reads the user's regional settings (QLocale::system(): on Linux LC_ALL,
// LC_TIME, LC_NUMERIC, LANG). Items that can't be read keep the defaults above.
TLocaleFormats LoadLocaleFormats();

// The process-wide record that export runs read; start-up and a locale change
// fill it with LoadLocaleFormats.
TLocaleFormats& ProcessLocaleFormats();

}  // namespace orb
