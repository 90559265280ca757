#include "tables/value_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tables/errors.h"

namespace orb {
namespace {

TLocaleFormats WithDecimalMark(std::string mark) {
  TLocaleFormats formats;
  formats.DecimalMark = std::move(mark);
  return formats;
}

TDateTimeParts At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                  int millisecond = 0) {
  return TDateTimeParts{year, month, day, hour, minute, second, millisecond};
}

FieldValue Blank(TFieldType kind) {
  FieldValue value;
  value.name = "MAXALUM";
  value.kind = kind;
  return value;
}

FieldValue Number(TFieldType kind, double number) {
  FieldValue value = Blank(kind);
  value.blank = false;
  value.number = number;
  return value;
}

FieldValue Integer(TFieldType kind, int64_t integer) {
  FieldValue value = Blank(kind);
  value.blank = false;
  value.integer = integer;
  return value;
}

FieldValue Text(TFieldType kind, std::string_view text) {
  FieldValue value = Blank(kind);
  value.blank = false;
  value.text = text;
  return value;
}

FieldValue Bcd(int64_t unscaled, int scale) {
  FieldValue value = Blank(ftBCD);
  value.blank = false;
  value.bcd = TBcd{unscaled, scale};
  return value;
}

FieldValue Moment(TFieldType kind, TDateTimeParts parts) {
  FieldValue value = Blank(kind);
  value.blank = false;
  value.dateTime = parts;
  return value;
}

// --- FloatText -------------------------------------------------------------------

TEST(FloatTextTest, WritesFifteenSignificantDigitsInPlainOrExponentForm) {
  const std::pair<double, const char*> cases[] = {
      {12, "12"},
      {12.5, "12.5"},
      {-0.5, "-0.5"},
      {30, "30"},
      {1200, "1200"},
      {0.001, "0.001"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {0.000012345, "1.2345E-5"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {999999999999999, "999999999999999"},
      {1E15, "1E15"},
      {999999999999999.9, "1E15"},
      {1234567890123456, "1.23456789012346E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1.5E20, "1.5E20"},
      {-0.25, "-0.25"},
      {-1.5E-7, "-1.5E-7"},
      {-2.5E-10, "-2.5E-10"},
      {1E100, "1E100"},
      {1E-100, "1E-100"},
      {-1E300, "-1E300"},
  };
  const TLocaleFormats formats;
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(FloatText(value, formats), expected) << value;
  }
}

// The 16th of the 18 correctly rounded digits decides; it is read from the
// binary value, not from the decimal literal in the source.
TEST(FloatTextTest, RoundsAtTheSixteenthDigitWithItsCarry) {
  const std::pair<double, const char*> cases[] = {
      // 9.99999999999999467: the 16th digit is 4, so no carry.
      {9.999999999999995, "9.99999999999999"},
      // 9.99999999999999563E4: the carry runs through every digit.
      {99999.99999999995, "100000"},
      {999999999999999.5, "1E15"},  // carry raises the exponent past the plain form
      {999999999999999.4, "999999999999999"},
      {1E15 - 0.125, "1E15"},
      {1E15 + 2, "1E15"},
      {1.15, "1.15"},                                // 1.14999999999999991
      {1.0000000000000005, "1"},                     // 1.00000000000000044
      {0.00009999999999999995, "0.0001"},            // carry brings it into the plain form
      {9.99999999999999E-5, "9.99999999999999E-5"},  // 9.99999999999998964E-5
      {0.00009999, "9.999E-5"},
  };
  const TLocaleFormats formats;
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(FloatText(value, formats), expected) << value;
  }
}

TEST(FloatTextTest, HandlesTheExtremesAndSpecialValues) {
  const std::pair<double, const char*> cases[] = {
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {0.0, "0"},
      {-0.0, "0"},
      {DBL_MAX, "1.79769313486232E308"},
      {-DBL_MAX, "-1.79769313486232E308"},
      {DBL_MIN, "2.2250738585072E-308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {-std::numeric_limits<double>::denorm_min(), "-4.94065645841247E-324"},
  };
  const TLocaleFormats formats;
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(FloatText(value, formats), expected) << value;
  }
}

TEST(FloatTextTest, UsesTheDecimalMarkInEveryForm) {
  const struct {
    double value;
    const char* mark;
    const char* expected;
  } cases[] = {
      {2.5, ",", "2,5"},
      {1200, ",", "1200"},
      {0.000012345, ",", "1,2345E-5"},
      {-0.001, ",", "-0,001"},
      {1.5E20, ",", "1,5E20"},
      {1E-5, ",", "1E-5"},
      {2.5, "\xD9\xAB",
       "2\xD9\xAB"
       "5"},  // a mark of two bytes (U+066B)
      {0.25, "", "025"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatText(c.value, WithDecimalMark(c.mark)), c.expected) << c.value;
  }
}

// --- FieldText ---------------------------------------------------------------------

TEST(FieldTextTest, ReadsEveryKindAsItsText) {
  const TLocaleFormats formats;
  const struct {
    FieldValue value;
    std::string expected;
  } cases[] = {
      {Text(ftString,
            "  \xC3\x91"
            "and\xC3\xBA  "),
       "  \xC3\x91"
       "and\xC3\xBA  "},
      {Text(ftMemo, "line 1\r\nline 2\n"), "line 1\r\nline 2\n"},
      {Number(ftFloat, 2.5), "2.5"},
      {Number(ftCurrency, 1234.5678), "1234.5678"},
      {Number(ftFloat, -0.0), "0"},
      {Integer(ftSmallint, -12), "-12"},
      {Integer(ftWord, 65535), "65535"},
      {Integer(ftInteger, 0), "0"},
      {Integer(ftAutoInc, 7), "7"},
      {Integer(ftLargeint, std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
      {Bcd(1250, 2), "12.5"},
      {Bcd(30000, 4), "3"},
      {Bcd(-5, 1), "-0.5"},
      {Bcd(5, 4), "0.0005"},
      {Bcd(0, 3), "0"},
      {Bcd(-1234567, 4), "-123.4567"},
      {Bcd(123456789012345678, 0), "123456789012345678"},  // every digit, no exponent
      {Bcd(std::numeric_limits<int64_t>::min(), 4), "-922337203685477.5808"},
      {Text(ftBlob, std::string_view("\x01\xFF\0z", 4)), std::string("\x01\xFF\0z", 4)},
      {Text(ftBytes, "ab"), "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FieldText(c.value, formats), c.expected) << "kind " << int(c.value.kind);
  }
}

TEST(FieldTextTest, BlankFieldsGiveEmptyTextOfEveryKind) {
  const TLocaleFormats formats;
  for (const TFieldType kind : {ftString, ftMemo, ftFloat, ftCurrency, ftInteger, ftLargeint, ftBCD,
                                ftBoolean, ftDate, ftTime, ftDateTime, ftBlob}) {
    EXPECT_EQ(FieldText(Blank(kind), formats), "") << "kind " << int(kind);
  }
}

TEST(FieldTextTest, NumbersFollowTheDecimalMarkAndBooleansDoNot) {
  const TLocaleFormats comma = WithDecimalMark(",");
  FieldValue yes = Blank(ftBoolean);
  yes.blank = false;
  yes.boolean = true;
  FieldValue no = yes;
  no.boolean = false;
  EXPECT_EQ(FieldText(Number(ftFloat, 2.5), comma), "2,5");
  EXPECT_EQ(FieldText(Bcd(1250, 2), comma), "12,5");
  EXPECT_EQ(FieldText(yes, comma), "True");
  EXPECT_EQ(FieldText(no, comma), "False");
}

TEST(FieldTextTest, DatesAndTimesUseTheirPatterns) {
  TLocaleFormats formats;  // m/d/yy and h:mm:ss AMPM
  const struct {
    FieldValue value;
    const char* expected;
  } cases[] = {
      {Moment(ftDate, At(2009, 3, 5)), "3/5/09"},
      {Moment(ftTime, At(1899, 12, 30, 21, 7, 3)), "9:07:03 pm"},
      {Moment(ftDateTime, At(2009, 3, 5)), "3/5/09"},
      {Moment(ftDateTime, At(2009, 3, 5, 0, 0, 1)), "3/5/09 12:00:01 am"},
      {Moment(ftTimeStamp, At(2009, 3, 5, 12, 0, 0)), "3/5/09 12:00:00 pm"},
      // Milliseconds alone are no time of day for the c pattern.
      {Moment(ftDateTime, At(2009, 3, 5, 0, 0, 0, 500)), "3/5/09"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FieldText(c.value, formats), c.expected) << c.expected;
  }
  // Time letters in a date pattern read the date's time of day, 00:00:00.
  formats.ShortDatePattern = "dd/mm/yyyy hh:nn:ss";
  EXPECT_EQ(FieldText(Moment(ftDate, At(2009, 3, 5)), formats), "05/03/2009 00:00:00");
}

// --- FieldWholeNumber --------------------------------------------------------------

TEST(FieldWholeNumberTest, RoundsFloatingPointHalfToEven) {
  const std::pair<double, int32_t> cases[] = {
      {25.4, 25},
      {25.5, 26},
      {24.5, 24},
      {-2.5, -2},
      {-3.5, -4},
      {30.49, 30},
      {0.5, 0},
      {-0.5, 0},
      {1.5, 2},
      {-0.0, 0},
      {0.49999999999999994, 0},
      {2147483647.0, 2147483647},
      {-2147483648.0, std::numeric_limits<int32_t>::min()},
      {2147483647.4, 2147483647},
      {-2147483648.5, std::numeric_limits<int32_t>::min()},  // half to even stays in range
  };
  for (const auto& [number, expected] : cases) {
    EXPECT_EQ(FieldWholeNumber(Number(ftFloat, number)), expected) << number;
    EXPECT_EQ(FieldWholeNumber(Number(ftCurrency, number)), expected) << number;
  }
}

TEST(FieldWholeNumberTest, WholeNumbersBeyond32BitsAreRefusedNotCut) {
  const std::pair<FieldValue, std::string> cases[] = {
      {Number(ftFloat, 4294967296.0 + 30), "4294967326"},
      {Number(ftFloat, 2147483647.5), "2147483648"},
      {Number(ftFloat, 4503599627370497.0), "4503599627370497"},  // 2^52 + 1: already whole
      {Number(ftCurrency, -2147483649.0), "-2147483649"},
      {Number(ftFloat, -9223372036854775808.0), "-9223372036854775808"},
      {Bcd(21474836475, 1), "2147483648"},
      {Integer(ftLargeint, (int64_t{1} << 32) + 30), "4294967326"},
  };
  for (const auto& [value, shown] : cases) {
    FieldValue named = value;
    named.name = "MAXALUM";
    try {
      FieldWholeNumber(named);
      ADD_FAILURE() << shown << " gave a whole number";
    } catch (const EConvertError& error) {
      EXPECT_EQ(std::string(error.what()),
                "Field 'MAXALUM' holds " + shown +
                    ", which is outside the range of whole numbers (-2147483648 to 2147483647)");
    }
  }
}

TEST(FieldWholeNumberTest, FloatingPointWithoutWholeNumberIsInvalidOp) {
  for (const double number :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 9223372036854775808.0, -9223372036854777856.0,
        1E300}) {
    try {
      FieldWholeNumber(Number(ftFloat, number));
      ADD_FAILURE() << number << " gave a whole number";
    } catch (const EInvalidOp& error) {
      EXPECT_STREQ(error.what(), "Invalid floating point operation");
    }
  }
}

TEST(FieldWholeNumberTest, RoundsFixedPointHalfToEvenAndTakesIntegers) {
  const std::pair<FieldValue, int32_t> cases[] = {
      {Bcd(255, 1), 26},
      {Bcd(245, 1), 24},
      {Bcd(-25, 1), -2},
      {Bcd(-35, 1), -4},
      {Bcd(3049, 2), 30},
      {Bcd(-26, 1), -3},
      {Bcd(-24, 1), -2},
      {Bcd(5, 4), 0},
      {Bcd(15000, 4), 2},
      {Bcd(25001, 4), 3},
      {Bcd(25, 0), 25},
      {Bcd(0, 2), 0},
      {Bcd(-5000, 4), 0},
      {Integer(ftSmallint, -12), -12},
      {Integer(ftWord, 65535), 65535},
      {Integer(ftInteger, std::numeric_limits<int32_t>::min()),
       std::numeric_limits<int32_t>::min()},
      {Integer(ftAutoInc, 30), 30},
      {Integer(ftLargeint, -30), -30},
  };
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(FieldWholeNumber(value), expected) << value.bcd.unscaled << "/" << value.integer;
  }
}

TEST(FieldWholeNumberTest, BlankNumericFieldsGiveZero) {
  for (const TFieldType kind :
       {ftFloat, ftCurrency, ftBCD, ftSmallint, ftWord, ftInteger, ftAutoInc, ftLargeint}) {
    EXPECT_EQ(FieldWholeNumber(Blank(kind)), 0) << "kind " << int(kind);
  }
}

TEST(FieldWholeNumberTest, ReadsTextAsDecimalOrHexadecimal) {
  const std::pair<const char*, int32_t> cases[] = {
      {"30", 30},
      {"  30", 30},
      {"-12", -12},
      {"+7", 7},
      {"007", 7},
      {"0", 0},
      {"-0", 0},
      {"$1A", 26},
      {"$1a", 26},
      {"x1A", 26},
      {"X1a", 26},
      {"0x1A", 26},
      {"0X1f", 31},
      {"-$10", -16},
      {" +0x10", 16},
      {"$7FFFFFFF", 2147483647},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"-$80000000", std::numeric_limits<int32_t>::min()},
      {"00000000000000000000042", 42},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(FieldWholeNumber(Text(ftString, text)), expected) << text;
  }
}

TEST(FieldWholeNumberTest, TextThatIsNoWholeNumberIsAConvertError) {
  const char* const cases[] = {
      "",
      "   ",
      "30 ",
      "1.5",
      "1,5",
      "1e3",
      "12abc",
      "2147483648",
      "-2147483649",
      "$",
      "0x",
      "x",
      "-",
      "+ 5",
      "\t5",
      "--5",
      "$80000000",
      "0x100000000",
      "$-1",
      "0x-1",
      "$ 1",
      "٣",
      "9999999999999999999999",
  };
  for (const char* text : cases) {
    try {
      FieldWholeNumber(Text(ftString, text));
      ADD_FAILURE() << "'" << text << "' gave a whole number";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), std::string("'") + text + "' is not a valid integer value");
    }
  }
  try {
    FieldWholeNumber(Blank(ftString));
    ADD_FAILURE() << "a blank text field gave a whole number";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "'' is not a valid integer value");
  }
}

TEST(FieldWholeNumberTest, KindsWithoutNumericReadingAreADatabaseError) {
  for (const TFieldType kind :
       {ftBoolean, ftDate, ftTime, ftDateTime, ftTimeStamp, ftMemo, ftFmtMemo, ftBlob, ftGraphic,
        ftBytes, ftVarBytes, ftDBaseOle, ftParadoxOle, ftTypedBinary}) {
    for (const bool blank : {false, true}) {
      FieldValue value = Blank(kind);
      value.blank = blank;
      try {
        FieldWholeNumber(value);
        ADD_FAILURE() << "kind " << int(kind) << " gave a whole number";
      } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "Cannot access field 'MAXALUM' as type Integer");
      }
    }
  }
}

// --- DateTimeText ------------------------------------------------------------------

struct PatternCase {
  const char* pattern;
  TDateTimeParts value;
  const char* expected;
};

void ExpectRendered(const std::vector<PatternCase>& cases, const TLocaleFormats& formats) {
  for (const PatternCase& c : cases) {
    EXPECT_EQ(DateTimeText(c.pattern, c.value, formats), c.expected) << "pattern " << c.pattern;
  }
}

// Thursday 5 March 2009, 21:07:09.005, and the same day at 00:30.
const TDateTimeParts kEvening = At(2009, 3, 5, 21, 7, 9, 5);
const TDateTimeParts kNight = At(2009, 3, 5, 0, 30, 0);

TEST(DateTimeTextTest, WritesDatePartsWithZeroFilling) {
  ExpectRendered(
      {
          {"d/m/y", kEvening, "5/3/09"},
          {"dd/mm/yy", kEvening, "05/03/09"},
          {"yyyy yyy yy y", kEvening, "2009 2009 09 09"},
          {"yyyy yy", At(5, 1, 1), "0005 05"},
          {"yyyy", At(12345, 1, 1), "12345"},
          {"d dd", At(2009, 12, 25), "25 25"},
          {"ddd dddd", kEvening, "Thu Thursday"},
          {"mmm mmmm mmmmm", kEvening, "Mar March March"},
          {"DD/MM/YYYY", kEvening, "05/03/2009"},
          {"Dd", kEvening, "55"},  // a run is of one same character
          {"ddddd", kEvening, "3/5/09"},
          {"dddddd ddddddd", kEvening, "March 5, 2009 March 5, 2009"},
      },
      TLocaleFormats());
}

TEST(DateTimeTextTest, WritesTheWeekdayOfTheCivilDate) {
  ExpectRendered(
      {
          {"dddd", At(1899, 12, 30), "Saturday"},
          {"dddd", At(1900, 2, 28), "Wednesday"},
          {"dddd", At(1900, 3, 1), "Thursday"},
          {"dddd", At(2000, 2, 29), "Tuesday"},
          {"dddd", At(2024, 1, 1), "Monday"},
          {"dddd", At(2026, 12, 13), "Sunday"},
          {"ddd", At(1, 1, 1), "Mon"},
          {"ddd", At(9999, 12, 31), "Fri"},
      },
      TLocaleFormats());
}

TEST(DateTimeTextTest, WritesTimePartsAndReadsMAfterHAsMinutes) {
  ExpectRendered(
      {
          {"h:m", kEvening, "21:7"},
          {"hh:mm", kEvening, "21:07"},
          {"hh:nn:ss", kEvening, "21:07:09"},
          {"h:nn:s", At(2009, 3, 5, 1, 2, 3), "1:02:3"},
          {"hm", kEvening, "217"},
          {"h m", kEvening, "21 7"},    // non-letters between don't count
          {"h'x'm", kEvening, "21x7"},  // nor does quoted text
          {"h\"Q\"mm", kEvening, "21Q07"},
          {"hxm", kEvening, "21x3"},           // a copied letter between does
          {"hh:mm:mm", kEvening, "21:07:03"},  // the second m follows minutes, not hours
          {"H:MMM", kEvening, "21:07"},
          {"z zz zzz zzzz", kEvening, "5 05 005 005"},
          {"zzz", At(2009, 3, 5, 0, 0, 0, 999), "999"},
          {"nn ss", kNight, "30 00"},
          {"m/d h:n", kNight, "3/5 0:30"},
      },
      TLocaleFormats());
}

TEST(DateTimeTextTest, TwelveHourClockAndDesignators) {
  TLocaleFormats formats;
  formats.AmDesignator = "a. m.";
  formats.PmDesignator = "p. m.";
  ExpectRendered(
      {
          {"h am/pm", kEvening, "9 pm"},
          {"h AM/PM", kEvening, "9 PM"},
          {"h Am/pM", kEvening, "9 pM"},
          {"h Am/pM", kNight, "12 Am"},
          {"hh a/p", kEvening, "09 p"},
          {"h A/P", kNight, "12 A"},
          {"h ampm", kEvening, "9 p. m."},
          {"h AMPM", kNight, "12 a. m."},
          {"h am/pm", At(2009, 3, 5, 12, 0, 0), "12 pm"},
          {"h am/pm", At(2009, 3, 5, 11, 59, 59), "11 am"},
          {"h am/pm", At(2009, 3, 5, 13, 0, 0), "1 pm"},
          {"am/pm h", kEvening, "pm 9"},              // written before: 12-hour
          {"h:nn aaaa", kEvening, "21:07 Thursday"},  // first a begins no designator
          {"h 'am/pm'", kEvening, "21 am/pm"},        // quoted: not seen
          {"h \"a\" am/pm", kEvening, "9 a pm"},
          {"h h am/pm", kEvening, "21 9 pm"},    // the first h meets an h first
          {"h ab am/pm", kEvening, "21 ab pm"},  // the first a begins nothing
          {"aaa aaaa AaA", kEvening, "Thu Thursday Thu"},
          {"aaaaa", kEvening, "Thursdaya"},
          {"a b", kEvening, "a b"},
      },
      formats);
}

TEST(DateTimeTextTest, QuotesMarksAndCopiedCharacters) {
  TLocaleFormats formats;
  formats.DateMark = "-";
  formats.TimeMark = ".";
  ExpectRendered(
      {
          {"d/m/yy h:nn", kEvening, "5-3-09 21.07"},
          {"'d/m' d", kEvening, "d/m 5"},
          {"\"it's\" d", kEvening, "it's 5"},
          {"'say \"hi\"'", kEvening, "say \"hi\""},
          {"d'mm", kEvening, "5mm"},  // unpaired: the rest is copied
          {"d\"x:/y", kEvening, "5x:/y"},
          {"''d''", kEvening, "5"},
          {"e g E G", kEvening, "e g E G"},  // era letters are copied
          {"b f i j k o q r u v w x", kEvening, "b f i j k o q r u v w x"},
          {"d.\xC2\xBA \xE5\xB9\xB4", kEvening, "5.\xC2\xBA \xE5\xB9\xB4"},
          {"", kEvening, ""},
      },
      formats);
  formats.DateMark = "";
  formats.TimeMark = "\xC2\xB7";  // a mark of two bytes
  ExpectRendered({{"dd/mm/yyyy hh:nn", kEvening,
                   "05032009 21\xC2\xB7"
                   "07"}},
                 formats);
}

TEST(DateTimeTextTest, NamedPatternsExpandTwoLevelsDeep) {
  TLocaleFormats formats;  // m/d/yy, mmmm d, yyyy, h:mm AMPM, h:mm:ss AMPM
  ExpectRendered(
      {
          {"t", kEvening, "9:07 pm"},
          {"tt", kEvening, "9:07:09 pm"},
          {"T", kNight, "12:30 am"},
          {"c", kEvening, "3/5/09 9:07:09 pm"},
          {"c", At(2009, 3, 5), "3/5/09"},
          {"cc", At(2009, 3, 5, 0, 0, 1), "3/5/09 12:00:01 am"},
          {"[c]", At(2009, 3, 5, 0, 0, 0, 999), "[3/5/09]"},
      },
      formats);

  // Pattern tokens inside a named pattern write nothing.
  formats.ShortDatePattern = "ddddd|c|t|tt|dddddd|d";
  formats.LongDatePattern = "dddd c ddddd";
  formats.LongTimePattern = "h:nn t";
  ExpectRendered(
      {
          {"ddddd", kEvening, "|||||5"},
          {"dddddd", kEvening, "Thursday  "},
          {"c", kEvening, "|||||5 21:07 "},
          {"tt", kEvening, "21:07 "},
      },
      formats);

  // The 12-hour look-ahead and the h-then-m rule belong to each pattern alone.
  formats.LongTimePattern = "h:m";
  ExpectRendered({{"tt am/pm", kEvening, "21:7 pm"}, {"htt", kEvening, "2121:7"}}, formats);
}

TEST(DateTimeTextTest, OutputStopsAt256Characters) {
  const std::string xs(300, 'x');
  EXPECT_EQ(DateTimeText(xs, kEvening, TLocaleFormats()), std::string(256, 'x'));

  // The cap counts characters, not bytes, and never splits one.
  std::string accents;
  for (int i = 0; i < 300; ++i)
    accents += "\xC3\xA9";
  std::string expectedAccents;
  for (int i = 0; i < 256; ++i)
    expectedAccents += "\xC3\xA9";
  EXPECT_EQ(DateTimeText(accents, kEvening, TLocaleFormats()), expectedAccents);

  // A name that reaches the limit is cut inside it.
  TLocaleFormats formats;
  formats.LongDatePattern = std::string(250, '.') + "mmmm";
  EXPECT_EQ(DateTimeText("dddddd", kEvening, formats), std::string(250, '.') + "March");
  EXPECT_EQ(DateTimeText("dddddd dddddd", kEvening, formats), std::string(250, '.') + "March ");
  formats.LongDatePattern = std::string(253, '.') + "mmmm";
  EXPECT_EQ(DateTimeText("dddddd", kEvening, formats), std::string(253, '.') + "Mar");

  // Expanding over and over stays within the limit.
  formats.ShortDatePattern = std::string(200, 'y');
  std::string many;
  for (int i = 0; i < 1000; ++i)
    many += "c ";
  EXPECT_EQ(DateTimeText(many, kEvening, formats).size(), 256u);
}

// --- StampText -------------------------------------------------------------------------

// A clock that gives its readings in turn and counts them.
struct FixedClock {
  std::vector<TDateTimeParts> readings;
  size_t calls = 0;
  LocalClock Clock() {
    return [this] { return readings[std::min(calls++, readings.size() - 1)]; };
  }
};

TEST(StampTextTest, JoinsTheDateAndTheTimeOfTwoReadings) {
  TLocaleFormats spanish;
  spanish.ShortDatePattern = "dd/mm/yyyy";
  spanish.ShortTimePattern = "h:mm";
  spanish.LongTimePattern = "h:mm:ss";
  const struct {
    const TLocaleFormats formats;
    TDateTimeParts first;
    TDateTimeParts second;
    const char* expected;
  } cases[] = {
      {TLocaleFormats(), At(2009, 3, 5, 21, 7, 3), At(2009, 3, 5, 21, 7, 3), "3/5/09 9:07:03 pm"},
      {TLocaleFormats(), At(2009, 3, 5, 0, 30, 0), At(2009, 3, 5, 0, 30, 0), "3/5/09 12:30:00 am"},
      {TLocaleFormats(), At(2009, 3, 5, 12, 0, 0), At(2009, 3, 5, 12, 0, 0), "3/5/09 12:00:00 pm"},
      {TLocaleFormats(), At(2009, 3, 5, 0, 0, 5), At(2009, 3, 5, 0, 0, 5), "3/5/09 12:00:05 am"},
      {spanish, At(2009, 3, 5, 21, 7, 3), At(2009, 3, 5, 21, 7, 3), "05/03/2009 21:07:03"},
      {spanish, At(2009, 3, 5, 0, 30, 0), At(2009, 3, 5, 0, 30, 0), "05/03/2009 0:30:00"},
      // The seconds are the clock's, not rounded from the milliseconds.
      {spanish, At(2009, 3, 5, 21, 7, 3, 999), At(2009, 3, 5, 21, 7, 3, 999),
       "05/03/2009 21:07:03"},
      // Midnight between the readings: the date of the first, the time of the second.
      {spanish, At(2009, 3, 5, 23, 59, 59, 999), At(2009, 3, 6, 0, 0, 0), "05/03/2009 0:00:00"},
  };
  for (const auto& c : cases) {
    FixedClock clock{{c.first, c.second}};
    EXPECT_EQ(StampText(c.formats, clock.Clock()), c.expected);
    EXPECT_EQ(clock.calls, 2u);
  }
}

TEST(StampTextTest, TheDateCarriesNoTimeOfDayAndTheTimeNoDate) {
  TLocaleFormats formats;
  formats.ShortDatePattern = "yyyy-mm-dd hh:nn";
  formats.LongTimePattern = "hh:nn:ss.zzz dd/mm/yyyy";
  FixedClock clock{{At(2009, 3, 5, 21, 7, 3, 45)}};
  EXPECT_EQ(StampText(formats, clock.Clock()), "2009-03-05 00:00 21:07:03.045 30/12/1899");
}

// --- DocumentText ------------------------------------------------------------------

TEST(DocumentTextTest, FindsTheFirstCharacterADocumentCannotCarry) {
  const struct {
    std::string text;
    std::optional<size_t> offset;
    char32_t codePoint;
  } cases[] = {
      {"", std::nullopt, 0},
      {"PROFESOR \xC3\x91"
       "and\xC3\xBA\t\r\n\x7F\xC2\x85",
       std::nullopt, 0},
      {"\xEF\xBF\xBD \xF4\x8F\xBF\xBF \xF0\x9F\x98\x80 \xEE\x80\x80", std::nullopt, 0},
      {"ab\x01"
       "c\x02",
       2, 0x01},
      {std::string("a\0b", 3), 1, 0x00},
      {"x\x1F", 1, 0x1F},
      {"\xC3\x91\x0B", 2, 0x0B},
      {"ok \xEF\xBF\xBE", 3, 0xFFFE},
      {"\xEF\xBF\xBF", 0, 0xFFFF},
      // Bytes that are not UTF-8 are reported as the replacement character.
      {"a\xC3", 1, 0xFFFD},
      {"\xC0\x80", 0, 0xFFFD},          // overlong
      {"ab\xED\xA0\x80", 2, 0xFFFD},    // a surrogate
      {"\xF4\x90\x80\x80", 0, 0xFFFD},  // beyond U+10FFFF
      {"\xE2\x82", 0, 0xFFFD},          // cut short
      {"\xE2\x82z", 0, 0xFFFD},
      {"\xFF", 0, 0xFFFD},
      {"\x80", 0, 0xFFFD},
  };
  for (const auto& c : cases) {
    const std::optional<NonXmlCharacter> found = DocumentText(c.text);
    ASSERT_EQ(found.has_value(), c.offset.has_value()) << c.text;
    if (found) {
      EXPECT_EQ(found->offset, *c.offset) << c.text;
      EXPECT_EQ(static_cast<uint32_t>(found->codePoint), static_cast<uint32_t>(c.codePoint))
          << c.text;
    }
  }
}

}  // namespace
}  // namespace orb
