#pragma once
// Day-based date-times: a double counting days since 30 December 1899 00:00,
// the fraction being the time of day. This module alone encodes, decodes and
// formats them; nobody formats dates by hand elsewhere.

#include <cstdint>
#include <string>
#include <string_view>

namespace vedograf {

struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Whole-day number of a calendar date (30.12.1899 is 0). Fields are not
// range-checked; an out-of-range month or day rolls over like a proleptic
// Gregorian calendar would.
double EncodeDate(int year, int month, int day);

// Fraction of a day for a time of day.
double EncodeTime(int hour, int minute, int second = 0, int millisecond = 0);

// EncodeDate + EncodeTime.
double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);

// Calendar fields of a date-time, rounded to the nearest millisecond first (as
// spreadsheets do, so 23:59:59.9996 is the next day's 00:00:00.000). A value
// that is not finite or lies beyond years 1..9999 decodes to 30.12.1899 00:00.
TDateTimeParts DecodeDateTime(double value);

// Formats a date-time by a pattern of these tokens: "yyyy" year, "yy" two-digit
// year, "mm" month, "dd" day, "hh" hours, "nn" minutes, "ss" seconds, "zzz"
// milliseconds; every other character is copied. Numbers always use ASCII
// digits whatever the process locale.
std::string FormatDateTime(std::string_view pattern, double value);

// The patterns the program prints.
inline constexpr std::string_view kSheetDateTimePattern = "hh:nn  dd.mm.yyyy";
inline constexpr std::string_view kDatePattern = "dd.mm.yyyy";
inline constexpr std::string_view kTimePattern = "hh:nn";
inline constexpr std::string_view kErrorTimePattern = "hh:nn:ss dd.mm.yyyy";

}  // namespace vedograf
