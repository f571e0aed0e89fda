#include "core/text_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

namespace vedograf {
namespace {

TEST(Utf8Validity, AcceptsWellFormedAndRejectsEveryIllFormedKind) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("Depot 12"));
  EXPECT_TRUE(IsValidUtf8("Склад №3"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x9A\x9A"));      // U+1F69A
  EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));      // U+10FFFF
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));  // NUL is a character

  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xC1\xBF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong three-byte
  EXPECT_FALSE(IsValidUtf8("\xF0\x80\x80\xAF"));  // overlong four-byte
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation
  EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\xD0x"));
  EXPECT_FALSE(IsValidUtf8("\xCF\xF0\xE8\xF7\xE0\xEB"));  // "Причал" in Windows-1251
}

TEST(Utf8Validity, ChunkedFeedAgreesWithWholeText) {
  std::mt19937 rng(5);
  const std::string pieces[] = {"a", "Ж", "€", "\xF0\x9F\x9A\x9A", "\x80", "\xC0", "\xE0\xA0", "\xED\xBF\xBF", "\n"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) text += pieces[rng() % std::size(pieces)];
    TUtf8Validator v;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t len = 1 + rng() % 3;
      v.Feed(std::string_view(text).substr(at, len));
      at += len;
    }
    EXPECT_EQ(v.Finish(), IsValidUtf8(text)) << text;
  }
}

TEST(Cp1251, EveryByteAgreesWithTheSystemConverter) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0; b < 256; ++b) {
    const std::string in(1, static_cast<char>(b));
    const std::string ours = Cp1251ToUtf8(in);
    EXPECT_TRUE(IsValidUtf8(ours)) << b;
    if (b == 0x98) {
      EXPECT_EQ(ours, "\xC2\x98");  // unassigned: kept as U+0098
      continue;
    }
    char inBuf[1] = {static_cast<char>(b)};
    char outBuf[8] = {};
    char* inPtr = inBuf;
    char* outPtr = outBuf;
    std::size_t inLeft = 1, outLeft = sizeof outBuf;
    ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1)) << b;
    EXPECT_EQ(ours, std::string(outBuf, sizeof outBuf - outLeft)) << b;
  }
  iconv_close(cd);
}

TEST(Cp1251, WindowsTextArrivesAsTheSameUtf8) {
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xF7\xE0\xEB \xB9\x31 \xA8\xB8"), "Причал №1 Ёё");
  EXPECT_EQ(ToUtf8FromWindows("\xCF\xF0\xE8\xF7\xE0\xEB"), "Причал");
  EXPECT_EQ(ToUtf8FromWindows("Причал"), "Причал");
  EXPECT_EQ(ToUtf8FromWindows(""), "");
  // One byte that cannot be UTF-8 makes the whole text Windows-1251.
  EXPECT_EQ(ToUtf8FromWindows("\xD0\xB0\xFF"), "Р°я");
}

}  // namespace
}  // namespace vedograf
