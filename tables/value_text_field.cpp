// The readings of a table's field object: the field of the current record, read
// by the rules for field values. Kept apart so the value rules link on their own.
#include "tables/value_text.h"
#include "tables/ww_table.h"

namespace orb {

std::string FieldText(const TField& field, const TLocaleFormats& formats) {
  return FieldText(field.Value(), formats);
}

int32_t FieldWholeNumber(const TField& field) {
  return FieldWholeNumber(field.Value());
}

}  // namespace orb
