#include "areas/number_scan.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace vedograf {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// from_chars reports a result beyond the double range without a value, where
// strtod gives inf or 0. The magnitude's order (in decimal digits, or in
// bits for hex) tells which of the two it was.
bool Overflows(std::string_view token, bool hex) {
  const int digitWeight = hex ? 4 : 1;
  auto isDigit = hex ? IsHexDigit : IsDigit;
  std::size_t i = 0;
  while (i < token.size() && token[i] == '0') ++i;
  long long integerDigits = 0;
  while (i < token.size() && isDigit(token[i])) ++integerDigits, ++i;
  long long order = 0;
  if (i < token.size() && token[i] == '.') {
    ++i;
    if (integerDigits == 0) {
      long long zeros = 0;
      while (i < token.size() && token[i] == '0') ++zeros, ++i;
      order = -(zeros + 1) * digitWeight;
    }
    while (i < token.size() && isDigit(token[i])) ++i;
  }
  if (integerDigits > 0) order = (integerDigits - 1) * digitWeight;
  long long exponent = 0;
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E' || token[i] == 'p' || token[i] == 'P')) {
    ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
    for (; i < token.size() && IsDigit(token[i]); ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (token[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return order + exponent > 0;
}

}  // namespace

bool ScanDouble(std::string_view text, std::size_t& pos, double& value) {
  std::size_t i = pos;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;

  const char* const last = text.data() + text.size();
  double v = 0.0;
  const char* end = nullptr;
  bool hex = false;
  std::size_t start = i;
  if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') && i + 2 < text.size() &&
      (IsHexDigit(text[i + 2]) ||
       (text[i + 2] == '.' && i + 3 < text.size() && IsHexDigit(text[i + 3])))) {
    hex = true;
    start = i + 2;
  }
  const auto r = std::from_chars(text.data() + start, last, v, hex ? std::chars_format::hex : std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return false;
  end = r.ptr;
  if (r.ec == std::errc::result_out_of_range) {
    v = Overflows(std::string_view(text.data() + start, static_cast<std::size_t>(end - (text.data() + start))), hex)
            ? std::numeric_limits<double>::infinity()
            : 0.0;
  }
  value = negative ? -v : v;
  pos = static_cast<std::size_t>(end - text.data());
  return true;
}

bool ScanInt(std::string_view text, std::size_t& pos, int& value) {
  std::size_t i = pos;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !IsDigit(text[i])) return false;
  long long v = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (v <= std::numeric_limits<int>::max()) v = v * 10 + (text[i] - '0');
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) v = std::numeric_limits<int>::min();
  value = static_cast<int>(v);
  pos = i;
  return true;
}

}  // namespace vedograf
