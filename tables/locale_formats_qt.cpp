// Reading the user's regional settings through Qt. On Linux QLocale::system()
// follows LC_ALL, LC_TIME, LC_NUMERIC and LANG; on Windows the user's settings.
#include "tables/locale_formats_qt.h"

#include <QLocale>
#include <QString>

namespace orb {
namespace {

std::string Utf8(const QString& text) {
  return text.toStdString();
}

}  // namespace

LocaleItems LocaleItemsOf(const QLocale& locale) {
  LocaleItems items;
  items.decimalPoint = Utf8(locale.decimalPoint());
  items.shortDateFormat = Utf8(locale.dateFormat(QLocale::ShortFormat));
  items.longDateFormat = Utf8(locale.dateFormat(QLocale::LongFormat));
  items.timeFormat = Utf8(locale.timeFormat(QLocale::ShortFormat));
  items.amText = Utf8(locale.amText());
  items.pmText = Utf8(locale.pmText());
  // The names as they stand inside a date (Qt's format context), so that the
  // locale's own long date format reads as the locale writes it.
  for (int month = 1; month <= 12; ++month) {
    items.monthAbbreviations[static_cast<size_t>(month - 1)] =
        Utf8(locale.monthName(month, QLocale::ShortFormat));
    items.monthNames[static_cast<size_t>(month - 1)] =
        Utf8(locale.monthName(month, QLocale::LongFormat));
  }
  // Qt counts days from Monday (1) to Sunday (7); the record starts on Sunday.
  for (int day = 0; day < 7; ++day) {
    const int qtDay = day == 0 ? 7 : day;
    items.dayAbbreviations[static_cast<size_t>(day)] =
        Utf8(locale.dayName(qtDay, QLocale::ShortFormat));
    items.dayNames[static_cast<size_t>(day)] = Utf8(locale.dayName(qtDay, QLocale::LongFormat));
  }
  return items;
}

TLocaleFormats LoadLocaleFormatsFrom(const QLocale& locale) {
  return FormatsFromLocaleItems(LocaleItemsOf(locale));
}

TLocaleFormats LoadLocaleFormats() {
  return LoadLocaleFormatsFrom(QLocale::system());
}

}  // namespace orb
