#pragma once
// Text from Windows installations: files written by the dispatch programs are
// 8-bit Windows-1251, files re-saved by newer editors are UTF-8. Inside the
// program everything is UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace vedograf {

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short at the end. An empty text is valid.
bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 bytes of one code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1251 bytes as UTF-8. Every byte maps to one character; the one
// unassigned byte 0x98 becomes U+0098, as web browsers decode it.
std::string Cp1251ToUtf8(std::string_view text);

// The text itself when it is valid UTF-8, else its Windows-1251 reading.
std::string ToUtf8FromWindows(std::string_view text);

// IsValidUtf8 over a text that arrives in chunks (a file read block by
// block); a sequence may be split between two chunks.
class TUtf8Validator {
 public:
  // Feeds the next chunk; returns false once the text is known to be invalid.
  bool Feed(std::string_view chunk);
  // True when everything fed so far is valid and no sequence is left open.
  bool Finish() const { return valid_ && pending_ == 0; }
  bool Valid() const { return valid_; }

 private:
  bool valid_ = true;
  int pending_ = 0;         // continuation bytes still expected
  unsigned char lo_ = 0x80; // allowed range of the next continuation byte
  unsigned char hi_ = 0xBF;
};

}  // namespace vedograf
