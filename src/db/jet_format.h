#pragma once
// The few pieces of the Access (Jet) file format that both sides of the
// database layer need without libmdb: the RC4 masking of the header page, the
// database password, and the text encodings of Jet 4 (UTF-16LE and its
// "Unicode compression"). Everything here works on plain byte spans and checks
// every bound itself, because the bytes come from files that may be damaged.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vedograf::jet {

inline constexpr std::size_t kJet4PageSize = 4096;
inline constexpr std::size_t kJet3PageSize = 2048;

// Header page offsets.
inline constexpr std::size_t kVersionOffset = 0x14;      // 0 = Jet 3, 1 = Jet 4, 2+ = ACE
inline constexpr std::size_t kMaskedOffset = 0x18;       // start of the RC4-masked area
inline constexpr std::size_t kJet4MaskedSize = 128;
inline constexpr std::size_t kJet3MaskedSize = 126;
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDbKeyOffset = 0x3E;        // non-zero: every page is RC4-encoded
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kJet4PasswordBytes = 40;    // 20 UTF-16 units
inline constexpr std::size_t kJet3PasswordBytes = 20;
inline constexpr std::size_t kSortOrderOffset = 0x6E;
inline constexpr std::size_t kCreationDateOffset = 0x72;  // Jet 4 only

// RC4 applied in place (encoding and decoding are the same operation).
void Rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

// The fixed key of the header page's masked area.
inline constexpr std::uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

// Key of page `page` of an RC4-encoded database (db key XOR page number, little-endian).
void PageKey(std::uint32_t dbKey, std::uint32_t page, std::uint8_t out[4]);

enum class TJetVersion { NotJet, Jet3, Jet4, Ace };

// What the header page says. Built from the raw first bytes of the file.
struct THeaderInfo {
  TJetVersion Version = TJetVersion::NotJet;
  std::size_t PageSize = 0;
  std::uint32_t DbKey = 0;      // 0: pages are stored plain
  std::uint16_t CodePage = 0;
  double CreationDate = 0.0;    // Jet 4 only
  // Stored password, unmasked: UTF-8, empty when the database has none.
  std::string Password;
  // The stored password is not a valid text (a damaged header).
  bool PasswordGarbled = false;
};

// Reads the header page. `page` is the first bytes of the file, at least one
// Jet 3 page long for a Jet 3 file and one Jet 4 page for the others; returns
// Version NotJet when the bytes are too short or lack the Jet signature.
THeaderInfo ReadHeader(std::span<const std::uint8_t> page);

// Whether `entered` (UTF-8) opens a database whose header says `info`: always
// true for a database without a password; otherwise the texts must be equal,
// case-sensitively (Jet 3 compares the 8-bit code-page form).
bool PasswordMatches(const THeaderInfo& info, std::string_view entered);

// The 40 password bytes of a Jet 4 header as they stand before the header's
// RC4 masking: `password` (UTF-8) as UTF-16LE, zero-padded, XOR the mask made
// from the creation date. Returns false (and leaves `out` alone) when the
// password has more than 20 UTF-16 units.
bool EncodeJet4Password(std::string_view password, double creationDate, std::uint8_t out[kJet4PasswordBytes]);

// ---- Text -------------------------------------------------------------------

// Counts of what a conversion could not carry over unchanged.
struct TTextLoss {
  std::uint64_t Replaced = 0;  // characters replaced by U+FFFD
  std::uint64_t Cut = 0;       // values cut short (a length beyond the data)
};

// UTF-8 to UTF-16 code units; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Appends the UTF-8 form of UTF-16LE bytes to `out`. An odd trailing byte is
// dropped and counted as cut; unpaired surrogates become U+FFFD, counted.
void AppendUtf16LeAsUtf8(std::span<const std::uint8_t> bytes, std::string& out, TTextLoss* loss = nullptr);

// Decodes a Jet 4 text value (plain UTF-16LE, or compressed when it starts
// with FF FE) into UTF-8, replacing the contents of `out`.
void DecodeJet4Text(std::span<const std::uint8_t> bytes, std::string& out, TTextLoss* loss = nullptr);

// Decodes an 8-bit Jet 3 text in the given Windows code page (1251 is read as
// Cyrillic, anything else as Latin-1/1252) into UTF-8.
void DecodeJet3Text(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out);

// Encodes UTF-16 units as a Jet 4 text value: compressed (FF FE, then one byte
// per character below U+0100, the 0x00 byte switching modes) when `compress`
// is set and that is shorter and representable, plain UTF-16LE otherwise.
void EncodeJet4Text(std::u16string_view text, bool compress, std::string& out);

}  // namespace vedograf::jet
