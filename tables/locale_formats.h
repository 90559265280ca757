// TLocaleFormats: the user's regional settings that value text uses, and
// LoadLocaleFormats, which reads them from the system.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

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
  std::array<std::string, 12> MonthFullNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 7> DayAbbreviations{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> DayFullNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The items of a user's regional settings as the system reports them, before the
// rules that turn them into a TLocaleFormats. An item the system could not give
// is nullopt. Formats use Qt's pattern letters (M for months, h/H, AP, t ...).
struct LocaleItems {
  std::optional<std::string> decimalPoint;
  std::optional<std::string> shortDateFormat;  // e.g. "d/M/yy"
  std::optional<std::string> longDateFormat;   // e.g. "dddd, d 'de' MMMM 'de' yyyy"
  std::optional<std::string> timeFormat;       // the short time format, e.g. "h:mm AP"
  std::optional<std::string> amText;
  std::optional<std::string> pmText;
  std::array<std::optional<std::string>, 12> monthAbbreviations;  // January first
  std::array<std::optional<std::string>, 12> monthNames;
  std::array<std::optional<std::string>, 7> dayAbbreviations;  // Sunday first
  std::array<std::optional<std::string>, 7> dayNames;
};

// How the user's clock shows hours; read only to build the two time patterns.
struct HourFlags {
  bool HourLeadingZero = false;  // hours always with two digits
  bool Clock24 = false;          // 24-hour clock, no designator
  bool DesignatorFirst = false;  // the AM/PM designator before the time
};

// A date format in Qt's letters rewritten in this program's pattern letters, so
// that it renders the same text: M runs become m runs, d and y stay, quoted and
// other literal text is kept literal (letters that would be tokens here get quoted).
std::string PatternFromQtDateFormat(std::string_view qtFormat);

// The separator a Qt date format puts between its first two fields ("/" for
// "d/M/yy", "" for "yyyyMMdd"); nullopt when the format has fewer than two fields.
std::optional<std::string> DateSeparatorOfQtFormat(std::string_view qtFormat);

// The separator a Qt time format puts after its hour (":" for "H:mm"); nullopt
// when there is no hour with a field after it.
std::optional<std::string> TimeSeparatorOfQtFormat(std::string_view qtFormat);

// The hour flags a Qt time format implies: HH or hh gives leading zeros, no AP
// (or ap, A, a) the 24-hour clock, AP before the hour the designator first.
// Qt's t is a time zone and plays no part. Flags it cannot tell stay false.
HourFlags HourFlagsOfQtTimeFormat(std::string_view qtFormat);

// The short and long time patterns built from the hour flags: "h" or "hh", ":mm"
// (":mm:ss" for the long one), and "AMPM " in front or " AMPM" behind unless the
// clock has 24 hours. With every flag false the long pattern is "h:mm:ss AMPM".
void SetTimePatterns(TLocaleFormats& formats, const HourFlags& flags);

// The settings record made from the system's items by the rules of each item:
// marks only when exactly one character (an empty separator gives an empty mark),
// patterns and designators unaltered even when empty, empty names the English
// default, an item that could not be read the default.
TLocaleFormats FormatsFromLocaleItems(const LocaleItems& items);

// Reads the user's regional settings (QLocale::system(): on Linux LC_ALL,
// LC_TIME, LC_NUMERIC, LANG). Items that can't be read keep the defaults above.
TLocaleFormats LoadLocaleFormats();

// The process-wide record that export runs read; start-up and a locale change
// fill it with LoadLocaleFormats.
TLocaleFormats& ProcessLocaleFormats();

}  // namespace orb
