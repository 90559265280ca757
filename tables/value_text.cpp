// Value text: the exact texts the exchange document carries for numbers, dates,
// the time stamp and every field kind, and the whole-number reading of a field.
#include "tables/value_text.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "tables/errors.h"

namespace orb {
namespace {

// The general form keeps 15 significant digits, taken from 18 correctly rounded ones.
constexpr int kKeptDigits = 15;
constexpr int kReadDigits = 18;

// Above 15 digits before the point, or below 0.0001, numbers take the exponent form.
constexpr int kMaxPlainExponent = 15;
constexpr int kMinPlainExponent = -3;

// A rendered date or time is cut after this many characters.
constexpr size_t kMaxDateTimeChars = 256;

// Named patterns (c, ddddd, dddddd, t, tt) expand this many levels deep at most,
// counting the pattern given.
constexpr int kMaxPatternLevels = 2;

// Appends the decimal digits of `value`, filled up on the left with zeros to
// at least `width` digits; a negative value gets "-" before its digits.
void AppendNumber(std::string& out, int64_t value, int width) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  assert(result.ec == std::errc());
  std::string_view text(digits, static_cast<size_t>(result.ptr - digits));
  if (!text.empty() && text.front() == '-') {
    out += '-';
    text.remove_prefix(1);
  }
  for (int i = static_cast<int>(text.size()); i < width; ++i)
    out += '0';
  out += text;
}

// The 15 significant digits of a finite, non-zero |v| and its decimal exponent:
// |v| = 0.d1...dk * 10^exponent, trailing zeros dropped, d1 never zero.
struct SignificantDigits {
  char digits[kKeptDigits];
  int count = 0;
  int exponent = 0;
};

// Returns the significant digits of |v| for the general form. The 18 digits come
// from the library's correctly rounded conversion; the cut to 15 rounds the 16th
// digit half up with its carry, as the documents have always shown numbers.
SignificantDigits ReadSignificantDigits(double v) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, std::fabs(v),
                                    std::chars_format::scientific, kReadDigits - 1);
  assert(result.ec == std::errc());
  // The text is "d.ddddddddddddddddde[+-]xx": one digit, the point, 17 digits.
  char read[kReadDigits];
  read[0] = text[0];
  std::memcpy(read + 1, text + 2, kReadDigits - 1);
  const char* exponentText = text + 2 + (kReadDigits - 1);
  assert(*exponentText == 'e');
  ++exponentText;
  if (*exponentText == '+')
    ++exponentText;
  int tenPower = 0;
  const auto parsed = std::from_chars(exponentText, result.ptr, tenPower);
  assert(parsed.ec == std::errc() && parsed.ptr == result.ptr);
  (void)parsed;

  SignificantDigits out;
  std::memcpy(out.digits, read, kKeptDigits);
  out.exponent = tenPower + 1;
  if (read[kKeptDigits] >= '5') {
    int i = kKeptDigits - 1;
    while (i >= 0 && out.digits[i] == '9') {
      out.digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++out.digits[i];
    } else {
      // 999...9 carried out of the first digit: the value is one unit of the next power.
      out.digits[0] = '1';
      std::memset(out.digits + 1, '0', kKeptDigits - 1);
      ++out.exponent;
    }
  }
  out.count = kKeptDigits;
  while (out.count > 1 && out.digits[out.count - 1] == '0')
    --out.count;
  assert(out.digits[0] != '0');
  return out;
}

// Writes a decimal number from its digits: "-" when negative, then the digits
// with the decimal mark after the first `pointAt` digits (zeros fill up a short
// integer part; a point at or before zero writes "0," and leading zeros).
void AppendPlain(std::string& out, std::string_view digits, int pointAt,
                 const TLocaleFormats& formats) {
  if (pointAt <= 0) {
    out += '0';
    out += formats.DecimalMark;
    out.append(static_cast<size_t>(-pointAt), '0');
    out += digits;
    return;
  }
  const size_t whole = static_cast<size_t>(pointAt);
  if (digits.size() <= whole) {
    out += digits;
    out.append(whole - digits.size(), '0');
    return;
  }
  out += digits.substr(0, whole);
  out += formats.DecimalMark;
  out += digits.substr(whole);
}

// The text of a fixed-point value: all its significant digits, trailing zeros
// of the fraction dropped, never the exponent form.
std::string BcdText(const TBcd& bcd, const TLocaleFormats& formats) {
  assert(bcd.scale >= 0 && bcd.scale <= 18);
  const bool negative = bcd.unscaled < 0;
  // The magnitude in unsigned arithmetic, so the most negative value has one too.
  uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(bcd.unscaled) : static_cast<uint64_t>(bcd.unscaled);
  int scale = bcd.scale;
  while (scale > 0 && magnitude % 10 == 0) {
    magnitude /= 10;
    --scale;
  }
  if (magnitude == 0)
    return "0";
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
  assert(result.ec == std::errc());
  const std::string_view text(digits, static_cast<size_t>(result.ptr - digits));
  std::string out;
  if (negative)
    out += '-';
  AppendPlain(out, text, static_cast<int>(text.size()) - scale, formats);
  return out;
}

// Rounds to the nearest integer, a value exactly halfway going to the even one.
double RoundHalfEven(double v) {
  const double floor = std::floor(v);
  const double fraction = v - floor;
  if (fraction > 0.5)
    return floor + 1;
  if (fraction < 0.5)
    return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

// The document carries whole numbers of 32 bits. A larger value is refused rather
// than cut to its low 32 bits, which would put a plainly wrong number (4294967326
// students becoming 30) into the school's data without a word.
int32_t Checked32(int64_t value, std::string_view fieldName) {
  if (value < INT32_MIN || value > INT32_MAX)
    throw EConvertError("Field '" + std::string(fieldName) + "' holds " + std::to_string(value) +
                        ", which is outside the range of whole numbers (-2147483648 to "
                        "2147483647)");
  return static_cast<int32_t>(value);
}

// The whole-number reading of a floating-point value: rounded half to even; not
// a number, or a rounded value outside the 64-bit range, has none.
int64_t WholeFromFloat(double v) {
  if (std::isnan(v))
    throw EInvalidOp();
  const double rounded = RoundHalfEven(v);
  // 2^63 is exact as a double; the range is [-2^63, 2^63).
  constexpr double kTwo63 = 9223372036854775808.0;
  if (!(rounded >= -kTwo63 && rounded < kTwo63))
    throw EInvalidOp();
  return static_cast<int64_t>(rounded);
}

// The whole-number reading of a fixed-point value, rounded half to even.
int64_t WholeFromBcd(const TBcd& bcd) {
  assert(bcd.scale >= 0 && bcd.scale <= 18);
  int64_t unit = 1;
  for (int i = 0; i < bcd.scale; ++i)
    unit *= 10;
  const int64_t quotient = bcd.unscaled / unit;   // towards zero
  const int64_t remainder = bcd.unscaled % unit;  // the sign of the value
  const int64_t taken = remainder < 0 ? -remainder : remainder;
  const int64_t left = unit - taken;  // how far the next whole number away from zero is
  const int64_t away = bcd.unscaled < 0 ? -1 : 1;
  if (taken > left)
    return quotient + away;
  if (taken < left)
    return quotient;
  return quotient % 2 == 0 ? quotient : quotient + away;
}

// Reads text the way the whole-number reading of a text field does: blanks in
// front, an optional sign, then decimal digits, or hexadecimal digits after "$",
// "x" or "0x"; nothing after the digits. Returns false when the text is not a
// whole number of the 32-bit signed range.
bool ParseWholeNumber(std::string_view text, int32_t& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size())
    return false;
  // The magnitude may reach 2^31 for a negative number; anything larger is out.
  constexpr uint64_t kLimit = uint64_t{1} << 31;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (magnitude > kLimit)
      return false;
  }
  if (!negative && magnitude == kLimit)
    return false;
  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  out = static_cast<int32_t>(value);
  return true;
}

// --- Dates and times ------------------------------------------------------------

// Day of the week of a civil (proleptic Gregorian) date, 0 for Sunday.
int WeekdayOf(int year, int month, int day) {
  // Days from 1970-01-01 by the usual era arithmetic, then 1970-01-01 was a Thursday.
  const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t monthFromMarch = (month + 9) % 12;
  const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468;
  const int64_t weekday = (days + 4) % 7;
  return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

// Lower-case form of an ASCII letter; anything else unchanged.
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True when `text` begins with `word` (lower case), ignoring the case of ASCII letters.
bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size())
    return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[i]) != word[i])
      return false;
  }
  return true;
}

// Output of a rendering, limited to 256 characters (code points of UTF-8 text);
// what would go beyond is dropped, never a part of a character.
class CappedText {
 public:
  // Appends as much of `text` as still fits.
  void Append(std::string_view text) {
    for (size_t i = 0; i < text.size() && chars_ < kMaxDateTimeChars;) {
      size_t length = 1;
      const unsigned char lead = static_cast<unsigned char>(text[i]);
      if (lead >= 0xF0) {
        length = 4;
      } else if (lead >= 0xE0) {
        length = 3;
      } else if (lead >= 0xC0) {
        length = 2;
      }
      // Continuation bytes follow their lead; a stray one counts as a character.
      size_t end = i + 1;
      while (end < text.size() && end < i + length &&
             (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        ++end;
      }
      out_.append(text.substr(i, end - i));
      ++chars_;
      i = end;
    }
  }
  // Appends a number filled up with zeros on the left to `width` digits.
  void AppendNumber(int64_t value, int width) {
    std::string digits;
    orb::AppendNumber(digits, value, width);
    Append(digits);
  }
  bool Full() const { return chars_ >= kMaxDateTimeChars; }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  size_t chars_ = 0;
};

// Renders patterns for one value with one settings record.
class DateTimeRenderer {
 public:
  DateTimeRenderer(const TDateTimeParts& value, const TLocaleFormats& formats)
      : value_(value), formats_(formats) {}

  // Renders `pattern` at expansion `level` (1 for the pattern given) into the output.
  void Render(std::string_view pattern, int level);

  std::string Take() { return out_.Take(); }

 private:
  // Appends a name from a table, nothing for an index outside it (a damaged value).
  template <size_t N>
  void AppendName(const std::array<std::string, N>& names, int index) {
    if (index >= 0 && static_cast<size_t>(index) < N)
      out_.Append(names[static_cast<size_t>(index)]);
  }
  int Weekday() const { return WeekdayOf(value_.year, value_.month, value_.day); }
  bool HasTimeOfDay() const { return value_.hour != 0 || value_.minute != 0 || value_.second != 0; }

  const TDateTimeParts& value_;
  const TLocaleFormats& formats_;
  CappedText out_;
};

// Looking on from just after an hour token: true when the first unquoted a or h
// letter begins an am/pm, a/p or ampm token (the hour then shows on the 12-hour clock).
bool DesignatorFollows(std::string_view rest) {
  for (size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '\'' || c == '"') {
      const size_t close = rest.find(c, i + 1);
      if (close == std::string_view::npos)
        return false;
      i = close;
      continue;
    }
    const char lower = Lower(c);
    if (lower == 'h')
      return false;
    if (lower == 'a') {
      const std::string_view at = rest.substr(i);
      return StartsWithNoCase(at, "am/pm") || StartsWithNoCase(at, "a/p") ||
             StartsWithNoCase(at, "ampm");
    }
  }
  return false;
}

void DateTimeRenderer::Render(std::string_view pattern, int level) {
  // The previous letter token of this pattern (lower case), for the h-then-m rule.
  char lastLetter = 0;
  // Set once an am/pm, a/p or ampm token has been written in this pattern.
  bool designatorWritten = false;
  size_t i = 0;
  while (i < pattern.size() && !out_.Full()) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      const size_t close = pattern.find(c, i + 1);
      const size_t end = close == std::string_view::npos ? pattern.size() : close;
      out_.Append(pattern.substr(i + 1, end - i - 1));
      i = close == std::string_view::npos ? pattern.size() : close + 1;
      continue;
    }
    if (c == '/') {
      out_.Append(formats_.DateMark);
      ++i;
      continue;
    }
    if (c == ':') {
      out_.Append(formats_.TimeMark);
      ++i;
      continue;
    }
    if (!IsLetter(c)) {
      // Copy the whole character, so a multi-byte one is never split.
      size_t end = i + 1;
      while (end < pattern.size() && (static_cast<unsigned char>(pattern[end]) & 0xC0) == 0x80) {
        ++end;
      }
      out_.Append(pattern.substr(i, end - i));
      i = end;
      continue;
    }

    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c)
      ++run;
    char token = Lower(c);
    if (token == 'm' && lastLetter == 'h')
      token = 'n';
    const int n = static_cast<int>(run);
    size_t consumed = run;

    switch (token) {
      case 'd':
        if (n <= 2) {
          out_.AppendNumber(value_.day, n);
        } else if (n == 3) {
          AppendName(formats_.DayAbbreviations, Weekday());
        } else if (n == 4) {
          AppendName(formats_.DayFullNames, Weekday());
        } else if (level < kMaxPatternLevels) {
          Render(n == 5 ? formats_.ShortDatePattern : formats_.LongDatePattern, level + 1);
        }
        break;
      case 'm':
        if (n <= 2) {
          out_.AppendNumber(value_.month, n);
        } else if (n == 3) {
          AppendName(formats_.MonthAbbreviations, value_.month - 1);
        } else {
          AppendName(formats_.MonthFullNames, value_.month - 1);
        }
        break;
      case 'y':
        if (n <= 2) {
          out_.AppendNumber(value_.year % 100, 2);
        } else {
          out_.AppendNumber(value_.year, 4);
        }
        break;
      case 'h': {
        int hour = value_.hour;
        if (designatorWritten || DesignatorFollows(pattern.substr(i + run))) {
          if (hour == 0) {
            hour = 12;
          } else if (hour > 12) {
            hour -= 12;
          }
        }
        out_.AppendNumber(hour, n >= 2 ? 2 : 1);
        break;
      }
      case 'n':
        out_.AppendNumber(value_.minute, n >= 2 ? 2 : 1);
        break;
      case 's':
        out_.AppendNumber(value_.second, n >= 2 ? 2 : 1);
        break;
      case 'z':
        out_.AppendNumber(value_.millisecond, n < 3 ? n : 3);
        break;
      case 't':
        if (level < kMaxPatternLevels) {
          Render(n == 1 ? formats_.ShortTimePattern : formats_.LongTimePattern, level + 1);
        }
        break;
      case 'c':
        if (level < kMaxPatternLevels) {
          Render(formats_.ShortDatePattern, level + 1);
          if (HasTimeOfDay()) {
            out_.Append(" ");
            Render(formats_.LongTimePattern, level + 1);
          }
        }
        break;
      case 'a': {
        // The a tokens are fixed words, matched at this place in any case.
        const std::string_view at = pattern.substr(i);
        const bool afternoon = value_.hour >= 12;
        if (StartsWithNoCase(at, "am/pm")) {
          out_.Append(at.substr(afternoon ? 3 : 0, 2));
          consumed = 5;
          designatorWritten = true;
        } else if (StartsWithNoCase(at, "a/p")) {
          out_.Append(at.substr(afternoon ? 2 : 0, 1));
          consumed = 3;
          designatorWritten = true;
        } else if (StartsWithNoCase(at, "ampm")) {
          out_.Append(afternoon ? formats_.PmDesignator : formats_.AmDesignator);
          consumed = 4;
          designatorWritten = true;
        } else if (StartsWithNoCase(at, "aaaa")) {
          AppendName(formats_.DayFullNames, Weekday());
          consumed = 4;
        } else if (StartsWithNoCase(at, "aaa")) {
          AppendName(formats_.DayAbbreviations, Weekday());
          consumed = 3;
        } else {
          out_.Append(at.substr(0, 1));
          consumed = 1;
        }
        break;
      }
      default:
        // Any other letter, the era letters e and g included, is copied.
        out_.Append(pattern.substr(i, run));
        break;
    }
    lastLetter = token;
    i += consumed;
  }
}

// Decodes one UTF-8 character at `i`; returns its length, or 0 when the bytes
// there are not a well-formed character (overlong, surrogate, beyond U+10FFFF, cut).
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& codePoint) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    minimum = 0x80;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    minimum = 0x800;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    minimum = 0x10000;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length)
    return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80)
      return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF)
    return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
    return 0;
  return length;
}

}  // namespace

std::string FloatText(double value, const TLocaleFormats& formats) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value > 0 ? "INF" : "-INF";
  if (value == 0)
    return "0";

  const SignificantDigits sig = ReadSignificantDigits(value);
  const std::string_view digits(sig.digits, static_cast<size_t>(sig.count));
  std::string out;
  if (value < 0)
    out += '-';
  if (sig.exponent > kMaxPlainExponent || sig.exponent < kMinPlainExponent) {
    out += digits.front();
    if (digits.size() > 1) {
      out += formats.DecimalMark;
      out += digits.substr(1);
    }
    out += 'E';
    AppendNumber(out, sig.exponent - 1, 0);
    return out;
  }
  AppendPlain(out, digits, sig.exponent, formats);
  return out;
}

std::string FieldText(const FieldValue& value, const TLocaleFormats& formats) {
  if (value.blank)
    return {};
  switch (value.kind) {
    case ftFloat:
    case ftCurrency:
      return FloatText(value.number, formats);
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint: {
      std::string out;
      AppendNumber(out, value.integer, 0);
      return out;
    }
    case ftBCD:
      return BcdText(value.bcd, formats);
    case ftBoolean:
      return value.boolean ? "True" : "False";
    case ftDate:
      return DateTimeText(formats.ShortDatePattern, value.dateTime, formats);
    case ftTime:
      return DateTimeText(formats.LongTimePattern, value.dateTime, formats);
    case ftDateTime:
    case ftTimeStamp:
      return DateTimeText("c", value.dateTime, formats);
    case ftString:
    case ftMemo:
    case ftBlob:
    case ftFmtMemo:
    case ftGraphic:
    case ftDBaseOle:
    case ftParadoxOle:
    case ftTypedBinary:
    case ftBytes:
    case ftVarBytes:
    case ftUnknown:
      // Text is delivered decoded; raw bytes are taken as they are.
      return std::string(value.text);
  }
  return std::string(value.text);
}

int32_t FieldWholeNumber(const FieldValue& value) {
  switch (value.kind) {
    case ftFloat:
    case ftCurrency:
      return value.blank ? 0 : Checked32(WholeFromFloat(value.number), value.name);
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
      return value.blank ? 0 : Checked32(value.integer, value.name);
    case ftBCD:
      return value.blank ? 0 : Checked32(WholeFromBcd(value.bcd), value.name);
    case ftString: {
      const std::string_view text = value.blank ? std::string_view() : value.text;
      int32_t number = 0;
      if (!ParseWholeNumber(text, number)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
      }
      return number;
    }
    default:
      throw EDatabaseError("Cannot access field '" + std::string(value.name) + "' as type Integer");
  }
}

std::string DateTimeText(std::string_view pattern, const TDateTimeParts& value,
                         const TLocaleFormats& formats) {
  DateTimeRenderer renderer(value, formats);
  renderer.Render(pattern, 1);
  return renderer.Take();
}

std::string StampText(const TLocaleFormats& formats, const LocalClock& clock) {
  // The date first, as a date without a time of day ...
  const TDateTimeParts now = clock();
  TDateTimeParts date;
  date.year = now.year;
  date.month = now.month;
  date.day = now.day;
  std::string out = DateTimeText(formats.ShortDatePattern, date, formats);
  // ... then a second reading for the time of day, on day zero.
  const TDateTimeParts later = clock();
  TDateTimeParts time;
  time.hour = later.hour;
  time.minute = later.minute;
  time.second = later.second;
  time.millisecond = later.millisecond;
  out += ' ';
  out += DateTimeText(formats.LongTimePattern, time, formats);
  return out;
}

std::optional<NonXmlCharacter> DocumentText(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t codePoint = 0;
    const size_t length = DecodeUtf8(utf8, i, codePoint);
    if (length == 0)
      return NonXmlCharacter{i, U'\uFFFD'};
    const bool control =
        codePoint < 0x20 && codePoint != '\t' && codePoint != '\n' && codePoint != '\r';
    if (control || codePoint == 0xFFFE || codePoint == 0xFFFF) {
      return NonXmlCharacter{i, codePoint};
    }
    i += length;
  }
  return std::nullopt;
}

}  // namespace orb
