// The user's locale: number separators, dates and times as the user writes them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/format.h"
#include "base/json_value.h"

namespace sysinfo {

// The user's decimal and thousands characters.
NumberFormat UserNumberFormat();

// Today's date in the user's short date form, and the time in the user's time form.
std::string ShortDateNow();
std::string TimeNow();

// Now, in the machine's time zone, with that zone's offset from UTC (daylight saving included).
LocalTime LocalTimeNow();

// The user's long date, one blank, the user's long time.
std::string FormatLongDateTime(const SYSTEMTIME& time);

// A file time (UTC) as local time to the whole second, in the user's long spelling and with the
// offset its conversion applied; nothing when it cannot be converted.
std::optional<Moment> FileTimeToMoment(const FILETIME& fileTime);

}  // namespace sysinfo
