// Reading regional settings from a Qt locale. Only code that links orb_locale
// (QtCore) includes this; the rest of the core uses tables/locale_formats.h.
#pragma once

#include "tables/locale_formats.h"

class QLocale;

namespace orb {

// The items of `locale` as Qt reports them (day names reordered Sunday first).
LocaleItems LocaleItemsOf(const QLocale& locale);

// The settings record for `locale`; LoadLocaleFormats is this for QLocale::system().
TLocaleFormats LoadLocaleFormatsFrom(const QLocale& locale);

}  // namespace orb
