// The rules that turn the system's regional settings into the settings record:
// reading Qt's date and time formats, the hour flags and the time patterns.
#include "tables/locale_formats.h"

#include <cstddef>
#include <vector>

namespace orb {
namespace {

// Qt's date letters: day, month, year.
constexpr std::string_view kQtDateLetters = "dMy";
// Qt's time letters: hours (h 12-hour, H 24-hour), minutes, seconds,
// milliseconds, the AM/PM designator (a, A, ap, AP) and the time zone.
constexpr std::string_view kQtTimeLetters = "hHmszaAt";

// One piece of a Qt format: a field (a run of one letter) or literal text.
struct QtPiece {
  char letter = 0;      // the field's letter; 0 for literal text
  int count = 0;        // the field's run length
  std::string literal;  // the literal text, as it shows
  bool quoted = false;  // the literal came from quotes ('...' or '')
};

// Splits a Qt format into fields and literal text. Quoted text runs to the next
// lone apostrophe ("''" inside or outside quotes is one apostrophe); an unpaired
// apostrophe makes the rest literal. A designator field is a or A, with a p or P
// right after it taken in.
std::vector<QtPiece> SplitQtFormat(std::string_view format, std::string_view letters) {
  std::vector<QtPiece> pieces;
  // Adds literal text, joining it to literal text of the same kind just before.
  const auto addLiteral = [&pieces](std::string_view text, bool quoted) {
    if (!pieces.empty() && pieces.back().letter == 0 && pieces.back().quoted == quoted) {
      pieces.back().literal += text;
      return;
    }
    QtPiece piece;
    piece.literal = std::string(text);
    piece.quoted = quoted;
    pieces.push_back(std::move(piece));
  };
  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c == '\'') {
      if (i + 1 < format.size() && format[i + 1] == '\'') {
        addLiteral("'", true);
        i += 2;
        continue;
      }
      std::string text;
      size_t j = i + 1;
      for (; j < format.size(); ++j) {
        if (format[j] != '\'') {
          text += format[j];
        } else if (j + 1 < format.size() && format[j + 1] == '\'') {
          text += '\'';
          ++j;
        } else {
          break;
        }
      }
      addLiteral(text, true);
      i = j + 1;
      continue;
    }
    if (letters.find(c) == std::string_view::npos) {
      addLiteral(format.substr(i, 1), false);
      ++i;
      continue;
    }
    QtPiece piece;
    if (c == 'a' || c == 'A') {
      piece.letter = 'a';
      piece.count = 1;
      i += (i + 1 < format.size() && (format[i + 1] == 'p' || format[i + 1] == 'P')) ? 2 : 1;
    } else {
      size_t run = 1;
      while (i + run < format.size() && format[i + run] == c)
        ++run;
      piece.letter = c;
      piece.count = static_cast<int>(run);
      i += run;
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Builds a pattern in this program's letters piece by piece.
class PatternWriter {
 public:
  // Writes a field token; an empty quote keeps it apart from a field token of
  // the same letter just before, which would otherwise join it into one run.
  void Field(char letter, int count) {
    if (lastField_ == letter)
      out_ += "''";
    out_.append(static_cast<size_t>(count), letter);
    lastField_ = letter;
  }
  // Writes text that must show as it is: inside quotes, an apostrophe as "'".
  void Quoted(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
      const size_t quote = text.find('\'', start);
      const size_t end = quote == std::string_view::npos ? text.size() : quote;
      if (end > start) {
        out_ += '\'';
        out_ += text.substr(start, end - start);
        out_ += '\'';
      }
      if (quote == std::string_view::npos)
        break;
      out_ += "\"'\"";
      start = quote + 1;
    }
    if (!text.empty())
      lastField_ = 0;
  }
  // Writes literal text from outside Qt's quotes: marks and other characters as
  // they are (so / and : write the date and time marks), letters and the double
  // quote inside quotes, since here they would start a token or a quotation.
  void Unquoted(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
      size_t end = i;
      while (end < text.size() && (IsAsciiLetter(text[end]) || text[end] == '"'))
        ++end;
      if (end > i) {
        Quoted(text.substr(i, end - i));
        i = end;
        continue;
      }
      out_ += text[i];
      lastField_ = 0;
      ++i;
    }
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  char lastField_ = 0;  // the letter of the field token written last, 0 after text
};

// The literal text between the field at `from` and the next field; nullopt when
// no field follows.
std::optional<std::string> TextAfterField(const std::vector<QtPiece>& pieces, size_t from) {
  std::string text;
  for (size_t i = from + 1; i < pieces.size(); ++i) {
    if (pieces[i].letter != 0)
      return text;
    text += pieces[i].literal;
  }
  return std::nullopt;
}

// Number of characters (code points) in UTF-8 text.
size_t CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++count;
  }
  return count;
}

// Takes a one-character item: exactly one character replaces the mark; an empty
// item empties it when `emptyClears`; anything else leaves the default.
void TakeMark(const std::optional<std::string>& item, std::string& mark, bool emptyClears) {
  if (!item)
    return;
  if (CharacterCount(*item) == 1) {
    mark = *item;
  } else if (item->empty() && emptyClears) {
    mark.clear();
  }
}

// Takes names that are present and not empty; the others keep the English defaults.
template <size_t N>
void TakeNames(const std::array<std::optional<std::string>, N>& items,
               std::array<std::string, N>& names) {
  for (size_t i = 0; i < N; ++i) {
    if (items[i] && !items[i]->empty())
      names[i] = *items[i];
  }
}

}  // namespace

std::string PatternFromQtDateFormat(std::string_view qtFormat) {
  PatternWriter writer;
  for (const QtPiece& piece : SplitQtFormat(qtFormat, kQtDateLetters)) {
    if (piece.letter == 0) {
      if (piece.quoted) {
        writer.Quoted(piece.literal);
      } else {
        writer.Unquoted(piece.literal);
      }
      continue;
    }
    // Qt reads at most four d or M at a time, and y as yyyy or yy; a y left on
    // its own is literal there.
    int left = piece.count;
    while (left > 0) {
      int take;
      if (piece.letter == 'y') {
        take = left >= 4 ? 4 : (left >= 2 ? 2 : 0);
      } else {
        take = left >= 4 ? 4 : left;
      }
      if (take == 0) {
        writer.Quoted("y");
        --left;
        continue;
      }
      writer.Field(piece.letter == 'M' ? 'm' : piece.letter, take);
      left -= take;
    }
  }
  return writer.Take();
}

std::optional<std::string> DateSeparatorOfQtFormat(std::string_view qtFormat) {
  const std::vector<QtPiece> pieces = SplitQtFormat(qtFormat, kQtDateLetters);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].letter != 0)
      return TextAfterField(pieces, i);
  }
  return std::nullopt;
}

std::optional<std::string> TimeSeparatorOfQtFormat(std::string_view qtFormat) {
  const std::vector<QtPiece> pieces = SplitQtFormat(qtFormat, kQtTimeLetters);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].letter == 'h' || pieces[i].letter == 'H')
      return TextAfterField(pieces, i);
  }
  return std::nullopt;
}

HourFlags HourFlagsOfQtTimeFormat(std::string_view qtFormat) {
  const std::vector<QtPiece> pieces = SplitQtFormat(qtFormat, kQtTimeLetters);
  std::optional<size_t> hour;
  std::optional<size_t> designator;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const char letter = pieces[i].letter;
    if (!hour && (letter == 'h' || letter == 'H'))
      hour = i;
    if (!designator && letter == 'a')
      designator = i;
  }
  HourFlags flags;
  flags.HourLeadingZero = hour && pieces[*hour].count >= 2;
  flags.Clock24 = !designator;
  flags.DesignatorFirst = designator && hour && *designator < *hour;
  return flags;
}

void SetTimePatterns(TLocaleFormats& formats, const HourFlags& flags) {
  const std::string hour = flags.HourLeadingZero ? "hh" : "h";
  std::string front;
  std::string back;
  if (!flags.Clock24) {
    if (flags.DesignatorFirst) {
      front = "AMPM ";
    } else {
      back = " AMPM";
    }
  }
  formats.ShortTimePattern = front + hour + ":mm" + back;
  formats.LongTimePattern = front + hour + ":mm:ss" + back;
}

TLocaleFormats FormatsFromLocaleItems(const LocaleItems& items) {
  TLocaleFormats formats;
  TakeMark(items.decimalPoint, formats.DecimalMark, false);
  if (items.shortDateFormat) {
    TakeMark(DateSeparatorOfQtFormat(*items.shortDateFormat), formats.DateMark, true);
    formats.ShortDatePattern = PatternFromQtDateFormat(*items.shortDateFormat);
  }
  if (items.longDateFormat)
    formats.LongDatePattern = PatternFromQtDateFormat(*items.longDateFormat);
  HourFlags flags;
  if (items.timeFormat) {
    TakeMark(TimeSeparatorOfQtFormat(*items.timeFormat), formats.TimeMark, true);
    flags = HourFlagsOfQtTimeFormat(*items.timeFormat);
  }
  SetTimePatterns(formats, flags);
  if (items.amText)
    formats.AmDesignator = *items.amText;
  if (items.pmText)
    formats.PmDesignator = *items.pmText;
  TakeNames(items.monthAbbreviations, formats.MonthAbbreviations);
  TakeNames(items.monthNames, formats.MonthFullNames);
  TakeNames(items.dayAbbreviations, formats.DayAbbreviations);
  TakeNames(items.dayNames, formats.DayFullNames);
  return formats;
}

TLocaleFormats& ProcessLocaleFormats() {
  static TLocaleFormats formats;
  return formats;
}

}  // namespace orb
