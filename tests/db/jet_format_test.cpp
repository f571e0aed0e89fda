// The byte-level pieces of the format that both sides of the database layer
// share: header password and text encodings, on hand-made bytes.

#include <gtest/gtest.h>

#include <cstring>

#include "db/jet_format.h"

namespace vedograf::jet {
namespace {

// A Jet 4 header page with the given 40 password bytes (before masking).
std::vector<std::uint8_t> Header(const std::uint8_t pw[kJet4PasswordBytes], double created) {
  std::vector<std::uint8_t> h(kJet4PageSize, 0);
  std::memcpy(&h[4], "Standard Jet DB", 16);
  h[kVersionOffset] = 1;
  std::memcpy(&h[kPasswordOffset], pw, kJet4PasswordBytes);
  std::memcpy(&h[kCreationDateOffset], &created, 8);
  Rc4(kHeaderKey, std::span<std::uint8_t>(&h[kMaskedOffset], kJet4MaskedSize));
  return h;
}

TEST(JetHeader, PasswordEndsAtItsFirstZeroAndDamageMatchesNothing) {
  const double created = 41234.6;
  std::uint8_t pw[kJet4PasswordBytes];
  ASSERT_TRUE(EncodeJet4Password("ab", created, pw));
  EXPECT_EQ(ReadHeader(Header(pw, created)).Password, "ab");
  // Junk after the terminator, as a shortened password might leave.
  std::uint8_t mask[kJet4PasswordBytes];
  ASSERT_TRUE(EncodeJet4Password("", created, mask));
  pw[10] = static_cast<std::uint8_t>('z' ^ mask[10]);
  const THeaderInfo junk = ReadHeader(Header(pw, created));
  EXPECT_EQ(junk.Password, "ab");
  EXPECT_TRUE(PasswordMatches(junk, "ab"));
  // A lone surrogate: no entry can match, not even none.
  ASSERT_TRUE(EncodeJet4Password("", created, pw));
  pw[0] ^= 0x00;
  pw[1] ^= 0xD8;
  const THeaderInfo bad = ReadHeader(Header(pw, created));
  EXPECT_TRUE(bad.PasswordGarbled);
  EXPECT_FALSE(PasswordMatches(bad, ""));
  EXPECT_FALSE(PasswordMatches(bad, bad.Password));
  // More than 20 UTF-16 units cannot be stored, nor match.
  EXPECT_FALSE(EncodeJet4Password(std::string(21, 'x'), created, pw));
  EXPECT_TRUE(EncodeJet4Password("\xF0\x9F\x98\x80" + std::string(18, 'x'), created, pw));  // a pair counts two
  EXPECT_FALSE(EncodeJet4Password("\xF0\x9F\x98\x80" + std::string(19, 'x'), created, pw));
  // Too short or not Jet at all.
  EXPECT_EQ(ReadHeader(std::vector<std::uint8_t>(100, 0)).Version, TJetVersion::NotJet);
  std::vector<std::uint8_t> h = Header(pw, created);
  h.resize(3000);
  EXPECT_EQ(ReadHeader(h).Version, TJetVersion::NotJet);  // a Jet 4 page cut short
}

TEST(JetText, CompressedPlainAndDamaged) {
  std::string out;
  TTextLoss loss;
  // FF FE, compressed "Ab", switch, two UTF-16 units "Яя", switch, "!"
  const std::uint8_t mixed[] = {0xFF, 0xFE, 'A', 'b', 0x00, 0x2F, 0x04, 0x4F, 0x04, 0x00, '!'};
  DecodeJet4Text(mixed, out, &loss);
  EXPECT_EQ(out, "AbЯя!");
  EXPECT_EQ(loss.Cut + loss.Replaced, 0u);
  // An odd byte in the wide part is cut and counted.
  const std::uint8_t odd[] = {0xFF, 0xFE, 0x00, 0x2F};
  DecodeJet4Text(odd, out, &loss);
  EXPECT_EQ(loss.Cut, 1u);
  // A lone low surrogate becomes U+FFFD, counted.
  const std::uint8_t lone[] = {0x00, 0xDC, 'x', 0};
  DecodeJet4Text(lone, out, &loss);
  EXPECT_EQ(out, "\xEF\xBF\xBDx");
  EXPECT_EQ(loss.Replaced, 1u);
  // Encoding round trip, with the unit whose low byte is zero (U+0400).
  for (const std::u16string& s : {std::u16string(u"Свежее 3D"), std::u16string(u"\u0400x"), std::u16string(u"")}) {
    for (bool compress : {true, false}) {
      std::string enc;
      EncodeJet4Text(s, compress, enc);
      std::string back;
      DecodeJet4Text(std::span(reinterpret_cast<const std::uint8_t*>(enc.data()), enc.size()), back);
      std::string want;
      AppendUtf16LeAsUtf8(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size() * 2), want);
      EXPECT_EQ(back, want);
    }
  }
  const std::uint8_t cp1251[] = {0xD1, 0xE2, 0xE5, 0xE6, 0xE5, 0xE5, 0xA8, 0xB9};
  DecodeJet3Text(cp1251, 1251, out);
  EXPECT_EQ(out, "СвежееЁ№");
}

}  // namespace
}  // namespace vedograf::jet
