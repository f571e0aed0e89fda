#include "settings/date_text.h"

#include <cstddef>

#include "core/datetime.h"

namespace vedograf {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads 1..maxDigits decimal digits at s[pos].
bool Digits(std::string_view s, std::size_t& pos, std::size_t maxDigits, int& out) {
  std::size_t n = 0;
  int v = 0;
  while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
    v = v * 10 + (s[pos] - '0');
    ++pos;
    ++n;
  }
  if (n == 0) return false;
  out = v;
  return true;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ParseDateAt(std::string_view s, std::size_t& pos, double& value) {
  int d = 0, m = 0, y = 0;
  if (!Digits(s, pos, 2, d) || pos >= s.size() || s[pos] != '.') return false;
  ++pos;
  if (!Digits(s, pos, 2, m) || pos >= s.size() || s[pos] != '.') return false;
  ++pos;
  const std::size_t yearStart = pos;
  if (!Digits(s, pos, 4, y)) return false;
  if (pos - yearStart <= 2) y += y < 50 ? 2000 : 1900;
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  value = EncodeDate(y, m, d);
  return true;
}

bool ParseTimeAt(std::string_view s, std::size_t& pos, double& value) {
  int h = 0, n = 0, sec = 0;
  if (!Digits(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!Digits(s, pos, 2, n)) return false;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!Digits(s, pos, 2, sec)) return false;
  }
  if (h > 23 || n > 59 || sec > 59) return false;
  value = EncodeTime(h, n, sec);
  return true;
}

}  // namespace

std::string FormatSettingsDateTime(double value) {
  const TDateTimeParts p = DecodeDateTime(value);
  if (p.Hour == 0 && p.Minute == 0 && p.Second == 0 && p.Millisecond == 0) {
    return FormatDateTime("dd.mm.yyyy", value);
  }
  return FormatDateTime("dd.mm.yyyy hh:nn:ss", value);
}

bool TryParseDate(std::string_view text, double& value) {
  const std::string_view s = Trim(text);
  std::size_t pos = 0;
  double v = 0.0;
  if (!ParseDateAt(s, pos, v) || pos != s.size()) return false;
  value = v;
  return true;
}

bool TryParseTime(std::string_view text, double& value) {
  const std::string_view s = Trim(text);
  std::size_t pos = 0;
  double v = 0.0;
  if (!ParseTimeAt(s, pos, v) || pos != s.size()) return false;
  value = v;
  return true;
}

bool TryParseDateTime(std::string_view text, double& value) {
  const std::string_view s = Trim(text);
  std::size_t pos = 0;
  double date = 0.0;
  if (!ParseDateAt(s, pos, date)) return false;
  if (pos == s.size()) {
    value = date;
    return true;
  }
  if (s[pos] != ' ' && s[pos] != '\t') return false;
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  double time = 0.0;
  if (!ParseTimeAt(s, pos, time) || pos != s.size()) return false;
  value = date + time;
  return true;
}

}  // namespace vedograf
