// The input fields of a row text. Positions are found with a fast path over
// the ASCII run after the marker; a plain character walk must agree with it
// on every position of a valid UTF-8 text (row texts are always valid UTF-8
// by the time they reach the calculators).

#include <cmath>
#include <cstdint>
#include <string_view>

#include "calc/input_fields.h"
#include "core/text_encoding.h"
#include "fuzz_util.h"

namespace {

// Byte offset `count` characters after `from`, or npos when the text ends first.
std::size_t Walk(std::string_view s, std::size_t from, int count) {
  std::size_t p = from;
  for (int c = 0; c < count; ++c) {
    if (p >= s.size()) return std::string_view::npos;
    ++p;
    while (p < s.size() && (static_cast<unsigned char>(s[p]) & 0xC0) == 0x80) ++p;
  }
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  double v = 0.0;
  if (ParseDecimalField(text.substr(0, 16), v)) FUZZ_CHECK(std::isfinite(v));

  const TInputFields fields(text);
  const std::size_t marker = text.find(kInputMarker);
  FUZZ_CHECK(fields.HasMarker() == (marker != std::string_view::npos));
  const bool checkWalk = fields.HasMarker() && IsValidUtf8(text);
  for (int pos = -1; pos < 90; ++pos) {
    const char c = fields.CharAt(pos);
    if (c != '\0') FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    for (int width : {1, 6}) {
      double value = 0.0;
      const bool ok = fields.NumberAt(pos, width, value);
      if (ok) FUZZ_CHECK(std::isfinite(value) && fields.HasMarker());
      if (!checkWalk || pos < 0) continue;
      const std::size_t b = Walk(text, marker, pos);
      const std::size_t e = b == std::string_view::npos ? b : Walk(text, b, width);
      double expected = 0.0;
      const bool want = e != std::string_view::npos && ParseDecimalField(text.substr(b, e - b), expected);
      FUZZ_CHECK(ok == want);
      if (ok) FUZZ_CHECK(value == expected);
    }
    if (checkWalk && pos >= 0) {
      const std::size_t b = Walk(text, marker, pos);
      const bool single = b != std::string_view::npos && b < text.size() && static_cast<unsigned char>(text[b]) < 0x80;
      FUZZ_CHECK(c == (single ? text[b] : '\0'));
    }
  }
  return 0;
}
