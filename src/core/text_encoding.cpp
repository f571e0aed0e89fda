#include "core/text_encoding.h"

#include <cstdint>

namespace vedograf {

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::uint16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool TUtf8Validator::Feed(std::string_view chunk) {
  for (const char ch : chunk) {
    if (!valid_) return false;
    const auto b = static_cast<unsigned char>(ch);
    if (pending_ > 0) {
      if (b < lo_ || b > hi_) {
        valid_ = false;
        return false;
      }
      --pending_;
      lo_ = 0x80;
      hi_ = 0xBF;
      continue;
    }
    if (b < 0x80) continue;
    // The second byte's range rules out overlong forms, surrogates and
    // code points above U+10FFFF.
    if (b >= 0xC2 && b <= 0xDF) {
      pending_ = 1;
    } else if (b == 0xE0) {
      pending_ = 2, lo_ = 0xA0;
    } else if (b == 0xED) {
      pending_ = 2, hi_ = 0x9F;
    } else if (b >= 0xE1 && b <= 0xEF) {
      pending_ = 2;
    } else if (b == 0xF0) {
      pending_ = 3, lo_ = 0x90;
    } else if (b >= 0xF1 && b <= 0xF3) {
      pending_ = 3;
    } else if (b == 0xF4) {
      pending_ = 3, hi_ = 0x8F;
    } else {
      valid_ = false;
      return false;
    }
  }
  return valid_;
}

bool IsValidUtf8(std::string_view text) {
  TUtf8Validator v;
  v.Feed(text);
  return v.Finish();
}

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else if (b < 0xC0) {
      AppendUtf8(out, kCp1251High[b - 0x80]);
    } else {
      AppendUtf8(out, 0x0410u + (b - 0xC0u));
    }
  }
  return out;
}

std::string ToUtf8FromWindows(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Cp1251ToUtf8(text);
}

}  // namespace vedograf
