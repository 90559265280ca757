#include "tables/locale_formats.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "tables/locale_formats_qt.h"
#include "tables/value_text.h"

namespace orb {
namespace {

// --- Reading Qt's formats -------------------------------------------------------------

TEST(QtDateFormatTest, BecomesAPatternOfThisProgramsLetters) {
  const std::pair<const char*, const char*> cases[] = {
      {"d/M/yy", "d/m/yy"},
      {"dd/MM/yyyy", "dd/mm/yyyy"},
      {"dd.MM.yy", "dd.mm.yy"},
      {"dddd, d 'de' MMMM 'de' yyyy", "dddd, d 'de' mmmm 'de' yyyy"},
      {"yyyy('e')'ko' MMMM'ren' d('a'), dddd", "yyyy('e')'ko' mmmm'ren' d('a'), dddd"},
      {"ddd MMM", "ddd mmm"},
      {"yyyy\xE5\xB9\xB4M\xE6\x9C\x88"
       "d\xE6\x97\xA5",
       "yyyy\xE5\xB9\xB4m\xE6\x9C\x88"
       "d\xE6\x97\xA5"},
      // Letters Qt shows as they are must not become tokens here.
      {"d x MMM", "d 'x' mmm"},
      {"d-M-yy t z s m h", "d-m-yy 't' 'z' 's' 'm' 'h'"},
      {"dd \"MM\" yy", "dd '\"'mm'\"' yy"},
      // Apostrophes: '' is one, inside quotes or out; an unpaired one quotes the rest.
      {"d 'o''clock' MMM", "d 'o'\"'\"'clock' mmm"},
      {"''d''", "\"'\"d\"'\""},
      {"d 'abc", "d 'abc'"},
      {"d ''", "d \"'\""},
      // Qt reads d and M at most four at a time, y as yyyy or yy; a lone y is literal.
      {"dddddd", "dddd''dd"},
      {"MMMMM", "mmmm''m"},
      {"yyyyy", "yyyy'y'"},
      {"yyy", "yy'y'"},
      {"y", "'y'"},
      {"dMMyy", "dmmyy"},
      {"", ""},
  };
  for (const auto& [qt, expected] : cases) {
    EXPECT_EQ(PatternFromQtDateFormat(qt), expected) << qt;
  }
}

TEST(QtFormatSeparatorTest, IsTheTextBetweenTheFirstFields) {
  const std::pair<const char*, std::optional<std::string>> dates[] = {
      {"d/M/yy", "/"},         {"dd.MM.yy", "."},
      {"yyyy-MM-dd", "-"},     {"yyyyMMdd", ""},
      {"yy. M. d.", ". "},     {"d'/'M", "/"},
      {"d 'de' MMMM", " de "}, {"MMMM", std::nullopt},
      {"'day'", std::nullopt}, {"d\xE2\x80\x8F/M", "\xE2\x80\x8F/"},
  };
  for (const auto& [qt, expected] : dates) {
    EXPECT_EQ(DateSeparatorOfQtFormat(qt), expected) << qt;
  }
  const std::pair<const char*, std::optional<std::string>> times[] = {
      {"H:mm", ":"},        {"h:mm AP", ":"},     {"AP h:mm", ":"},    {"H.mm", "."},
      {"HHmm", ""},         {"AP", std::nullopt}, {"h 'h' mm", " h "}, {"mm:ss", std::nullopt},
      {"HH", std::nullopt},
  };
  for (const auto& [qt, expected] : times) {
    EXPECT_EQ(TimeSeparatorOfQtFormat(qt), expected) << qt;
  }
}

TEST(QtTimeFormatTest, GivesTheHourFlags) {
  const struct {
    const char* qt;
    bool leadingZero;
    bool clock24;
    bool designatorFirst;
  } cases[] = {
      {"h:mm AP", false, false, false},  {"HH:mm", true, true, false},
      {"H:mm", false, true, false},      {"AP h:mm", false, false, true},
      {"hh:mm ap", true, false, false},  {"a h:mm", false, false, true},
      {"h:mm A", false, false, false},   {"HH:mm:ss t", true, true, false},
      {"'AP' HH:mm", true, true, false}, {"h:mm:ss AP t", false, false, false},
      {"HHmm", true, true, false},       {"", false, true, false},
      {"t h:mm", false, true, false},  // the time zone is no designator
  };
  for (const auto& c : cases) {
    const HourFlags flags = HourFlagsOfQtTimeFormat(c.qt);
    EXPECT_EQ(flags.HourLeadingZero, c.leadingZero) << c.qt;
    EXPECT_EQ(flags.Clock24, c.clock24) << c.qt;
    EXPECT_EQ(flags.DesignatorFirst, c.designatorFirst) << c.qt;
  }
}

TEST(TimePatternsTest, AreBuiltFromTheHourFlags) {
  const struct {
    HourFlags flags;
    const char* shortPattern;
    const char* longPattern;
  } cases[] = {
      {{false, false, false}, "h:mm AMPM", "h:mm:ss AMPM"},
      {{true, false, false}, "hh:mm AMPM", "hh:mm:ss AMPM"},
      {{false, false, true}, "AMPM h:mm", "AMPM h:mm:ss"},
      {{true, false, true}, "AMPM hh:mm", "AMPM hh:mm:ss"},
      {{false, true, false}, "h:mm", "h:mm:ss"},
      {{true, true, true}, "hh:mm", "hh:mm:ss"},
  };
  for (const auto& c : cases) {
    TLocaleFormats formats;
    SetTimePatterns(formats, c.flags);
    EXPECT_EQ(formats.ShortTimePattern, c.shortPattern);
    EXPECT_EQ(formats.LongTimePattern, c.longPattern);
  }
}

// --- The rules for taking each item ----------------------------------------------------

TEST(LocaleItemsTest, NothingReadableLeavesEveryDefault) {
  const TLocaleFormats formats = FormatsFromLocaleItems(LocaleItems());
  const TLocaleFormats defaults;
  EXPECT_EQ(formats.DecimalMark, ".");
  EXPECT_EQ(formats.DateMark, "/");
  EXPECT_EQ(formats.TimeMark, ":");
  EXPECT_EQ(formats.ShortDatePattern, "m/d/yy");
  EXPECT_EQ(formats.LongDatePattern, "mmmm d, yyyy");
  EXPECT_EQ(formats.ShortTimePattern, "h:mm AMPM");
  EXPECT_EQ(formats.LongTimePattern, "h:mm:ss AMPM");
  EXPECT_EQ(formats.AmDesignator, "am");
  EXPECT_EQ(formats.PmDesignator, "pm");
  EXPECT_EQ(formats.MonthFullNames, defaults.MonthFullNames);
  EXPECT_EQ(formats.DayAbbreviations, defaults.DayAbbreviations);
}

TEST(LocaleItemsTest, MarksTakeOnlyOneCharacter) {
  const struct {
    std::optional<std::string> decimal;
    std::optional<std::string> shortDate;
    std::optional<std::string> time;
    const char* decimalMark;
    const char* dateMark;
    const char* timeMark;
  } cases[] = {
      {",", "dd.MM.yy", "H.mm", ",", ".", "."},
      {"", "yyyyMMdd", "HHmm", ".", "", ""},           // empty separators write nothing
      {",,", "yy. M. d.", "H 'h' mm", ".", "/", ":"},  // longer items leave the default
      {"\xD9\xAB", "yyyy\xC2\xB7M", "H\xC2\xB7mm", "\xD9\xAB", "\xC2\xB7", "\xC2\xB7"},
      {std::nullopt, "MMMM", "AP", ".", "/", ":"},  // no separator to read
  };
  for (const auto& c : cases) {
    LocaleItems items;
    items.decimalPoint = c.decimal;
    items.shortDateFormat = c.shortDate;
    items.timeFormat = c.time;
    const TLocaleFormats formats = FormatsFromLocaleItems(items);
    EXPECT_EQ(formats.DecimalMark, c.decimalMark) << c.decimal.value_or("-");
    EXPECT_EQ(formats.DateMark, c.dateMark) << *c.shortDate;
    EXPECT_EQ(formats.TimeMark, c.timeMark) << *c.time;
  }
}

TEST(LocaleItemsTest, PatternsAndDesignatorsAreTakenEvenEmptyButNamesAreNot) {
  LocaleItems items;
  items.shortDateFormat = "";
  items.longDateFormat = "d MMMM";
  items.timeFormat = "AP hh:mm";
  items.amText = "";
  items.pmText = "p. m.";
  items.monthNames[0] = "enero";
  items.monthNames[1] = "";
  items.monthAbbreviations[11] = "dic";
  items.dayNames[0] = "domingo";
  items.dayNames[6] = "";
  items.dayAbbreviations[1] = "lun";
  const TLocaleFormats formats = FormatsFromLocaleItems(items);
  EXPECT_EQ(formats.ShortDatePattern, "");
  EXPECT_EQ(formats.LongDatePattern, "d mmmm");
  EXPECT_EQ(formats.ShortTimePattern, "AMPM hh:mm");
  EXPECT_EQ(formats.LongTimePattern, "AMPM hh:mm:ss");
  EXPECT_EQ(formats.AmDesignator, "");
  EXPECT_EQ(formats.PmDesignator, "p. m.");
  EXPECT_EQ(formats.MonthFullNames[0], "enero");
  EXPECT_EQ(formats.MonthFullNames[1], "February");
  EXPECT_EQ(formats.MonthAbbreviations[11], "dic");
  EXPECT_EQ(formats.MonthAbbreviations[0], "Jan");
  EXPECT_EQ(formats.DayFullNames[0], "domingo");
  EXPECT_EQ(formats.DayFullNames[6], "Saturday");
  EXPECT_EQ(formats.DayAbbreviations[1], "lun");
  EXPECT_EQ(formats.DayAbbreviations[0], "Sun");
}

// --- Qt's locales ---------------------------------------------------------------------

std::string Utf8(const QString& text) {
  return text.toStdString();
}

TEST(QtLocaleTest, ReadsTheSpanishRegionsAndTheirNeighbours) {
  const struct {
    const char* locale;
    const char* decimal;
    const char* dateMark;
    const char* shortDate;
    const char* longDate;
    const char* longTime;
    const char* am;
    const char* january;
    const char* sundayShort;
  } cases[] = {
      {"es_ES", ",", "/", "d/m/yy", "dddd, d 'de' mmmm 'de' yyyy", "h:mm:ss", "a.\xC2\xA0m.",
       "enero", "dom"},
      {"ca_ES", ",", "/", "d/m/yy", "dddd, d mmmm 'de' yyyy", "h:mm:ss", "a.\xC2\xA0m.", "de gener",
       "dg."},
      {"eu_ES", ",", "/", "yy/m/d", "yyyy('e')'ko' mmmm'ren' d('a'), dddd", "hh:mm:ss", "AM",
       "urtarrilak", "ig."},
      {"en_US", ".", "/", "m/d/yy", "dddd, mmmm d, yyyy", "h:mm:ss AMPM", "AM", "January", "Sun"},
      {"en_GB", ".", "/", "dd/mm/yyyy", "dddd, d mmmm yyyy", "hh:mm:ss", "am", "January", "Sun"},
      {"fr_FR", ",", "/", "dd/mm/yyyy", "dddd d mmmm yyyy", "hh:mm:ss", "AM", "janvier", "dim."},
      {"de_DE", ",", ".", "dd.mm.yy", "dddd, d. mmmm yyyy", "hh:mm:ss", "AM", "Januar", "So."},
      {"ko_KR", ".", "/", "yy. m. d.", "yyyy\xEB\x85\x84 m\xEC\x9B\x94 d\xEC\x9D\xBC dddd",
       "AMPM h:mm:ss", "\xEC\x98\xA4\xEC\xA0\x84", "1\xEC\x9B\x94", "\xEC\x9D\xBC"},
  };
  for (const auto& c : cases) {
    const TLocaleFormats formats = LoadLocaleFormatsFrom(QLocale(c.locale));
    EXPECT_EQ(formats.DecimalMark, c.decimal) << c.locale;
    EXPECT_EQ(formats.DateMark, c.dateMark) << c.locale;
    EXPECT_EQ(formats.TimeMark, ":") << c.locale;
    EXPECT_EQ(formats.ShortDatePattern, c.shortDate) << c.locale;
    EXPECT_EQ(formats.LongDatePattern, c.longDate) << c.locale;
    EXPECT_EQ(formats.LongTimePattern, c.longTime) << c.locale;
    EXPECT_EQ(formats.AmDesignator, c.am) << c.locale;
    EXPECT_EQ(formats.MonthFullNames[0], c.january) << c.locale;
    EXPECT_EQ(formats.DayAbbreviations[0], c.sundayShort) << c.locale;
  }
}

// The locale's own date formats, read by this program, give the text Qt writes
// for them: every month, every weekday, every locale at hand.
TEST(QtLocaleTest, DatePatternsRenderAsTheLocaleWritesThem) {
  const char* const locales[] = {
      "es_ES", "ca_ES", "eu_ES", "gl_ES", "en_US", "en_GB", "fr_FR", "de_DE", "it_IT",
      "pt_BR", "nl_NL", "pl_PL", "cs_CZ", "sv_SE", "fi_FI", "hu_HU", "ru_RU", "el_GR",
      "tr_TR", "he_IL", "ko_KR", "ja_JP", "zh_CN", "th_TH", "hi_IN", "vi_VN", "C",
  };
  for (const char* name : locales) {
    const QLocale locale(name);
    const TLocaleFormats formats = LoadLocaleFormatsFrom(locale);
    for (int month = 1; month <= 12; ++month) {
      for (const int day : {1, 2, 3, 4, 5, 6, 7, 28}) {
        const QDate date(month == 12 ? 1999 : 2009, month, day);
        TDateTimeParts parts;
        parts.year = date.year();
        parts.month = month;
        parts.day = day;
        EXPECT_EQ(DateTimeText(formats.ShortDatePattern, parts, formats),
                  Utf8(locale.toString(date, QLocale::ShortFormat)))
            << name << " " << Utf8(date.toString(Qt::ISODate));
        EXPECT_EQ(DateTimeText(formats.LongDatePattern, parts, formats),
                  Utf8(locale.toString(date, QLocale::LongFormat)))
            << name << " " << Utf8(date.toString(Qt::ISODate));
      }
    }
  }
}

// Where the locale's short time format is just hours and minutes, the pattern
// built from its flags gives the same text. (Qt's AP writes the designator in
// capitals; the designators here are the locale's own, so only locales whose
// designators are capitals already can be compared.)
TEST(QtLocaleTest, ShortTimePatternRendersAsTheLocaleWritesIt) {
  for (const char* name :
       {"es_ES", "en_US", "en_GB", "de_DE", "fi_FI", "ko_KR", "ja_JP", "zh_CN"}) {
    const QLocale locale(name);
    const TLocaleFormats formats = LoadLocaleFormatsFrom(locale);
    for (const int hour : {0, 1, 9, 11, 12, 13, 21, 23}) {
      TDateTimeParts parts;
      parts.hour = hour;
      parts.minute = 7;
      EXPECT_EQ(DateTimeText(formats.ShortTimePattern, parts, formats),
                Utf8(locale.toString(QTime(hour, 7), QLocale::ShortFormat)))
          << name << " " << hour;
    }
  }
}

TEST(QtLocaleTest, QtDateFormatsKeepTheirMeaning) {
  const char* const qtFormats[] = {
      "hh d",
      "ap d",
      "d 'o''clock' MMM",
      "dddddd",
      "yyyyy",
      "y",
      "yyy",
      "MMMMM",
      "'d' d",
      "dd\"MM\"yy",
      "d 'abc",
      "''d''",
      "dMMyy",
      "d-M-yy t z s m",
      "'c' ddd/MMMM",
      "e g",
      "n N",
      "'h'MM",
  };
  const QLocale locale("es_ES");
  const TLocaleFormats formats = LoadLocaleFormatsFrom(locale);
  TDateTimeParts parts;
  parts.year = 2009;
  parts.month = 3;
  parts.day = 5;
  for (const char* qt : qtFormats) {
    EXPECT_EQ(DateTimeText(PatternFromQtDateFormat(qt), parts, formats),
              Utf8(locale.toString(QDate(2009, 3, 5), QString::fromUtf8(qt))))
        << qt;
  }
}

// --- The system locale ----------------------------------------------------------------

// Runs the probe with only `environment` set and returns its fields.
std::map<std::string, std::string> ProbeWith(const std::string& environment) {
  const std::string command = "env -i " + environment + " '" + ORB_BIN_DIR + "/locale_probe'";
  std::map<std::string, std::string> fields;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe)
    return fields;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n')
      text.pop_back();
    const size_t equals = text.find('=');
    if (equals != std::string::npos)
      fields[text.substr(0, equals)] = text.substr(equals + 1);
  }
  return fields;
}

TEST(SystemLocaleTest, FollowsTheEnvironment) {
  const struct {
    const char* environment;
    const char* decimal;
    const char* shortDate;
    const char* longTime;
  } cases[] = {
      {"LC_ALL=de_DE.UTF-8", ",", "dd.mm.yy", "hh:mm:ss"},
      {"LANG=es_ES.UTF-8", ",", "d/m/yy", "h:mm:ss"},
      {"LANG=fr_FR.UTF-8 LC_ALL=en_US.UTF-8", ".", "m/d/yy", "h:mm:ss AMPM"},
  };
  for (const auto& c : cases) {
    const std::map<std::string, std::string> fields = ProbeWith(c.environment);
    ASSERT_EQ(fields.size(), 13u) << c.environment;
    EXPECT_EQ(fields.at("DecimalMark"), c.decimal) << c.environment;
    EXPECT_EQ(fields.at("ShortDatePattern"), c.shortDate) << c.environment;
    EXPECT_EQ(fields.at("LongTimePattern"), c.longTime) << c.environment;
  }
}

}  // namespace
}  // namespace orb
