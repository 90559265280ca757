// What one field of the current record holds, as the table engine delivers it:
// its kind, whether it is blank, and its value. Value text starts from this.
#pragma once

#include <cstdint>
#include <string_view>

namespace orb {

// Field kinds. A column whose type maps to none of these gets no field object.
enum TFieldType : uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftLargeint,
  ftTimeStamp,
};

// A civil date and time of day. A date without a time has 00:00:00.000; a time
// without a date stands on 30 December 1899, the day zero of dBase-era clocks.
struct TDateTimeParts {
  int year = 1899;
  int month = 12;       // 1..12
  int day = 30;         // 1..31
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59
  int millisecond = 0;  // 0..999
};

// A fixed-point decimal: unscaled / 10^scale, with scale 0..4.
struct TBcd {
  int64_t unscaled = 0;
  int scale = 0;
};

// One field of the current record. The views point into buffers owned by the
// table (valid until the table moves, closes or the field is read again).
struct FieldValue {
  std::string_view name;  // the field's name, UTF-8
  TFieldType kind = ftUnknown;
  bool blank = true;        // the record leaves the field without a value
  std::string_view text;    // ftString, ftMemo: UTF-8 text; raw-byte kinds: the bytes
  double number = 0;        // ftFloat, ftCurrency
  int64_t integer = 0;      // ftSmallint, ftWord, ftInteger, ftAutoInc, ftLargeint
  bool boolean = false;     // ftBoolean
  TDateTimeParts dateTime;  // ftDate, ftTime, ftDateTime, ftTimeStamp
  TBcd bcd;                 // ftBCD
};

}  // namespace orb
