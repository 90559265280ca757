// Value text: how a field, a number, a date or the clock becomes the exact text
// the exchange document carries. EDUCA compares it character by character.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tables/clock.h"
#include "tables/field_value.h"
#include "tables/locale_formats.h"

namespace orb {

class TField;

// The field read as text; a blank field gives "".
std::string FieldText(const FieldValue& value, const TLocaleFormats& formats);
std::string FieldText(const TField& field, const TLocaleFormats& formats);

// The field read as a 32-bit whole number; a blank numeric field gives 0.
// Raises EConvertError, EDatabaseError ("Cannot access field '%s' as type Integer")
// or EInvalidOp.
int32_t FieldWholeNumber(const FieldValue& value);
int32_t FieldWholeNumber(const TField& field);

// A double in the general form: 15 significant digits, plain or exponent form.
std::string FloatText(double value, const TLocaleFormats& formats);

// A date and time rendered with a pattern of d, m, y, h, n, s, z, t, c, am/pm ...
std::string DateTimeText(std::string_view pattern, const TDateTimeParts& value,
                         const TLocaleFormats& formats);

// The header time stamp: the date (ShortDatePattern), one blank, the time
// (LongTimePattern), from two readings of the clock, date first.
std::string StampText(const TLocaleFormats& formats, const LocalClock& clock);

// A character that an XML 1.0 document cannot carry, and where it stands.
struct NonXmlCharacter {
  size_t offset;       // byte offset in the text
  char32_t codePoint;  // the character (C0 controls but tab, LF, CR; U+FFFE; U+FFFF),
                       // or U+FFFD where the bytes are not UTF-8 (raw bytes of a blob)
};

// Text on its way into the document: the core's text is UTF-8 already, so this
// is the check that it can be carried. Returns the first character that cannot.
std::optional<NonXmlCharacter> DocumentText(std::string_view utf8);

}  // namespace orb
