#include "calc/input_fields.h"

#include <charconv>

namespace vedograf {
namespace {

constexpr bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The marker is six characters long whatever its byte length.
constexpr int kMarkerChars = 6;

}  // namespace

bool ParseDecimalField(std::string_view field, double& value) noexcept {
  std::size_t b = 0, e = field.size();
  while (b < e && IsBlank(field[b])) ++b;
  while (e > b && IsBlank(field[e - 1])) --e;
  field = field.substr(b, e - b);
  // Fields are a few characters wide; a long run is no field of ours.
  char buf[64];
  if (field.empty() || field.size() >= sizeof buf) return false;

  std::size_t n = 0;
  std::size_t i = 0;
  if (field[0] == '+') {
    i = 1;
  } else if (field[0] == '-') {
    buf[n++] = '-';
    i = 1;
  }
  bool digits = false, mark = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (IsDigit(c)) {
      digits = true;
      buf[n++] = c;
    } else if ((c == '.' || c == ',') && !mark) {
      mark = true;
      buf[n++] = '.';
    } else {
      return false;
    }
  }
  if (!digits) return false;

  double v = 0.0;
  const auto res = std::from_chars(buf, buf + n, v, std::chars_format::fixed);
  if (res.ec != std::errc() || res.ptr != buf + n) return false;
  value = v;
  return true;
}

TInputFields::TInputFields(std::string_view text) noexcept : text_(text), marker_(text.find(kInputMarker)) {
  if (!HasMarker()) return;
  // The fields are nearly always plain ASCII: within that run a character is
  // a byte and positions need no walk.
  asciiBegin_ = asciiEnd_ = marker_ + kInputMarker.size();
  while (asciiEnd_ < text_.size() && static_cast<unsigned char>(text_[asciiEnd_]) < 0x80) ++asciiEnd_;
}

std::size_t TInputFields::Advance(std::size_t from, int count) const noexcept {
  if (from >= asciiBegin_ && count >= 0 && from + static_cast<std::size_t>(count) <= asciiEnd_) {
    return from + static_cast<std::size_t>(count);
  }
  std::size_t p = from;
  for (int c = 0; c < count; ++c) {
    if (p >= text_.size()) return std::string_view::npos;
    ++p;
    while (p < text_.size() && IsContinuation(static_cast<unsigned char>(text_[p]))) ++p;
  }
  return p;
}

std::size_t TInputFields::Offset(int pos) const noexcept {
  if (!HasMarker() || pos < 0) return std::string_view::npos;
  if (pos < kMarkerChars) return Advance(marker_, pos);
  return Advance(marker_ + kInputMarker.size(), pos - kMarkerChars);
}

char TInputFields::CharAt(int pos) const noexcept {
  const std::size_t off = Offset(pos);
  if (off == std::string_view::npos || off >= text_.size()) return '\0';
  const char c = text_[off];
  return static_cast<unsigned char>(c) < 0x80 ? c : '\0';
}

bool TInputFields::NumberAt(int pos, int width, double& value) const noexcept {
  const std::size_t begin = Offset(pos);
  if (begin == std::string_view::npos) return false;
  const std::size_t end = Advance(begin, width);
  if (end == std::string_view::npos) return false;
  return ParseDecimalField(text_.substr(begin, end - begin), value);
}

}  // namespace vedograf
