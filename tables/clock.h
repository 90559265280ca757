// The local clock, as a seam: the program reads the real one, tests fix the moment.
#pragma once

#include <functional>

#include "tables/field_value.h"

namespace orb {

// Returns the current local date and time of day.
using LocalClock = std::function<TDateTimeParts()>;

// The real local clock (the system's time zone), to the millisecond.
TDateTimeParts ReadLocalClock();

}  // namespace orb
