#pragma once
// The text form of dates and times in the settings file and the job file.
// Linux has no regional short-date and long-time formats to follow, so the
// program fixes the Russian ones: day first, four-digit year, 24-hour time.
// The readers take what the writer writes and the looser forms people type.

#include <string>
#include <string_view>

namespace vedograf {

// "dd.mm.yyyy", then " hh:nn:ss" unless the time of day is exactly midnight
// (after rounding to the millisecond).
std::string FormatSettingsDateTime(double value);

// A date "d.m.yyyy": day and month of one or two digits, a year of one to
// four digits (a two-digit year is 2000..2049 below 50, else 1950..1999).
// Blanks around it are allowed. Sets `value` to the whole day and returns
// true; false (value untouched) for anything else or an impossible date
// (31.02.2010).
bool TryParseDate(std::string_view text, double& value);

// A time "h:mm" or "h:mm:ss" (hours 0..23, minutes and seconds 0..59, one or
// two digits each). Sets `value` to the fraction of a day; false otherwise.
bool TryParseTime(std::string_view text, double& value);

// A date, optionally followed by blanks and a time. Sets `value` and returns
// true; false for an empty text or anything that does not parse.
bool TryParseDateTime(std::string_view text, double& value);

}  // namespace vedograf
