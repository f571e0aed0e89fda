#include "core/datetime.h"

#include <cmath>
#include <cstdio>

namespace vedograf {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// constexpr, so date constants of other translation units may use it during
// static initialisation.
constexpr std::int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

void AppendNumber(std::string& out, int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out += buf;
}

}  // namespace

double EncodeDate(int year, int month, int day) {
  // Normalise month overflow so callers may add months freely.
  std::int64_t y = year, m = month - 1;
  y += m >= 0 ? m / 12 : -((11 - m) / 12);
  m = ((m % 12) + 12) % 12;
  return static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(m + 1), 1) + (day - 1) -
                             kEpochOffset);
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / kMsPerDay;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                      int millisecond) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, millisecond);
}

TDateTimeParts DecodeDateTime(double value) {
  TDateTimeParts parts;
  // Years 1..9999 only: outside them the calendar fields would not fit the
  // patterns, and such a value can only come from a damaged row.
  if (!std::isfinite(value) || value < -693593.0 || value >= 2958466.0) return parts;
  const std::int64_t totalMs = std::llround(value * static_cast<double>(kMsPerDay));
  std::int64_t day = totalMs / kMsPerDay;
  std::int64_t msOfDay = totalMs % kMsPerDay;
  if (msOfDay < 0) {
    msOfDay += kMsPerDay;
    --day;
  }
  CivilFromDays(day + kEpochOffset, parts.Year, parts.Month, parts.Day);
  parts.Hour = static_cast<int>(msOfDay / 3600000);
  parts.Minute = static_cast<int>(msOfDay / 60000 % 60);
  parts.Second = static_cast<int>(msOfDay / 1000 % 60);
  parts.Millisecond = static_cast<int>(msOfDay % 1000);
  return parts;
}

std::string FormatDateTime(std::string_view pattern, double value) {
  const TDateTimeParts p = DecodeDateTime(value);
  std::string out;
  out.reserve(pattern.size() + 4);
  for (std::size_t i = 0; i < pattern.size();) {
    const std::string_view rest = pattern.substr(i);
    if (rest.starts_with("yyyy")) {
      AppendNumber(out, p.Year, 4);
      i += 4;
    } else if (rest.starts_with("yy")) {
      AppendNumber(out, p.Year % 100, 2);
      i += 2;
    } else if (rest.starts_with("mm")) {
      AppendNumber(out, p.Month, 2);
      i += 2;
    } else if (rest.starts_with("dd")) {
      AppendNumber(out, p.Day, 2);
      i += 2;
    } else if (rest.starts_with("hh")) {
      AppendNumber(out, p.Hour, 2);
      i += 2;
    } else if (rest.starts_with("nn")) {
      AppendNumber(out, p.Minute, 2);
      i += 2;
    } else if (rest.starts_with("ss")) {
      AppendNumber(out, p.Second, 2);
      i += 2;
    } else if (rest.starts_with("zzz")) {
      AppendNumber(out, p.Millisecond, 3);
      i += 3;
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

}  // namespace vedograf
