#include "db/jet_format.h"

#include <cmath>
#include <cstring>

namespace vedograf::jet {

namespace {

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Appends UTF-16 units as UTF-8, pairing surrogates.
void AppendUnits(const char16_t* units, std::size_t n, std::string& out, TTextLoss* loss) {
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = units[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(0xFFFD, out);
      if (loss) ++loss->Replaced;
    } else {
      AppendUtf8(u, out);
    }
  }
}

// Windows-1251, 0x80..0xFF.
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

void Jet4Mask(double creationDate, std::uint8_t mask[4]) {
  // The mask is the whole-day part of the creation date as a 32-bit integer.
  double day = std::floor(creationDate);
  if (!std::isfinite(day) || day < -2147483648.0 || day > 2147483647.0) day = 0.0;
  const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(day));
  for (int i = 0; i < 4; ++i) mask[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

void Rc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
  if (key.empty()) return;
  std::uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + s[i] + key[static_cast<std::size_t>(i) % key.size()]);
    std::swap(s[i], s[j]);
  }
  std::uint8_t a = 0, b = 0;
  for (std::uint8_t& byte : data) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    byte ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
  }
}

void PageKey(std::uint32_t dbKey, std::uint32_t page, std::uint8_t out[4]) {
  const std::uint32_t k = dbKey ^ page;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(k >> (8 * i));
}

THeaderInfo ReadHeader(std::span<const std::uint8_t> page) {
  THeaderInfo info;
  static constexpr char kSignature[] = "Standard Jet DB";
  static constexpr char kAceSignature[] = "Standard ACE DB";
  if (page.size() < kJet3PageSize || page[0] != 0x00) return info;
  const bool jet = std::memcmp(page.data() + 4, kSignature, sizeof kSignature) == 0;
  const bool ace = std::memcmp(page.data() + 4, kAceSignature, sizeof kAceSignature) == 0;
  if (!jet && !ace) return info;
  const std::uint8_t version = page[kVersionOffset];
  if (version == 0) {
    info.Version = TJetVersion::Jet3;
    info.PageSize = kJet3PageSize;
  } else if (version == 1 && jet) {
    info.Version = TJetVersion::Jet4;
    info.PageSize = kJet4PageSize;
  } else {
    info.Version = TJetVersion::Ace;
    info.PageSize = kJet4PageSize;
    return info;
  }
  if (page.size() < info.PageSize && info.Version == TJetVersion::Jet4) {
    info.Version = TJetVersion::NotJet;
    return info;
  }
  std::uint8_t plain[kMaskedOffset + kJet4MaskedSize];
  const std::size_t masked = info.Version == TJetVersion::Jet3 ? kJet3MaskedSize : kJet4MaskedSize;
  std::memcpy(plain, page.data(), kMaskedOffset + masked);
  Rc4(kHeaderKey, std::span<std::uint8_t>(plain + kMaskedOffset, masked));
  const std::span<const std::uint8_t> p(plain, kMaskedOffset + masked);
  info.CodePage = Get16(p, kCodePageOffset);
  info.DbKey = Get32(p, kDbKeyOffset);

  if (info.Version == TJetVersion::Jet4) {
    std::memcpy(&info.CreationDate, plain + kCreationDateOffset, sizeof(double));
    std::uint8_t mask[4];
    Jet4Mask(info.CreationDate, mask);
    std::uint8_t pw[kJet4PasswordBytes];
    for (std::size_t i = 0; i < kJet4PasswordBytes; ++i) pw[i] = plain[kPasswordOffset + i] ^ mask[i % 4];
    std::size_t units = 0;
    while (units < kJet4PasswordBytes / 2 && (pw[2 * units] | pw[2 * units + 1]) != 0) ++units;
    TTextLoss loss;
    AppendUtf16LeAsUtf8(std::span<const std::uint8_t>(pw, units * 2), info.Password, &loss);
    // The password ends at its first zero unit, whatever follows (as other
    // readers of the format take it). A lone surrogate is no text anybody
    // could enter: the date or the password area is damaged.
    info.PasswordGarbled = loss.Replaced != 0;
  } else {
    std::size_t n = 0;
    while (n < kJet3PasswordBytes && plain[kPasswordOffset + n] != 0) ++n;
    DecodeJet3Text(std::span<const std::uint8_t>(plain + kPasswordOffset, n), info.CodePage, info.Password);
  }
  return info;
}

bool PasswordMatches(const THeaderInfo& info, std::string_view entered) {
  if (info.Password.empty() && !info.PasswordGarbled) return true;
  if (info.PasswordGarbled) return false;
  if (info.Version == TJetVersion::Jet4) {
    // Compare in the stored form, so an over-long entry can never match.
    const std::u16string units = Utf8ToUtf16(entered);
    if (units.size() > kJet4PasswordBytes / 2) return false;
  }
  return info.Password == entered;
}

bool EncodeJet4Password(std::string_view password, double creationDate, std::uint8_t out[kJet4PasswordBytes]) {
  const std::u16string units = Utf8ToUtf16(password);
  if (units.size() > kJet4PasswordBytes / 2) return false;
  std::uint8_t mask[4];
  Jet4Mask(creationDate, mask);
  for (std::size_t i = 0; i < kJet4PasswordBytes; ++i) {
    std::uint8_t b = 0;
    if (i / 2 < units.size()) b = static_cast<std::uint8_t>(units[i / 2] >> (8 * (i % 2)));
    out[i] = b ^ mask[i % 4];
  }
  return true;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else {
      std::size_t need = 0;
      char32_t min = 0;
      if ((c & 0xE0) == 0xC0) need = 1, cp = c & 0x1F, min = 0x80;
      else if ((c & 0xF0) == 0xE0) need = 2, cp = c & 0x0F, min = 0x800;
      else if ((c & 0xF8) == 0xF0) need = 3, cp = c & 0x07, min = 0x10000;
      bool ok = need != 0;
      if (ok) {
        for (std::size_t k = 1; k <= need; ++k) {
          if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
            ok = false;
            break;
          }
          cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
      }
      if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
      if (ok) len = need + 1;
      else cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

void AppendUtf16LeAsUtf8(std::span<const std::uint8_t> bytes, std::string& out, TTextLoss* loss) {
  const std::size_t n = bytes.size() / 2;
  if ((bytes.size() & 1) != 0 && loss) ++loss->Cut;
  // Decode in small batches to keep surrogate pairs together without allocating.
  char16_t buf[256];
  std::size_t i = 0;
  while (i < n) {
    std::size_t k = 0;
    while (k < 256 && i < n) {
      buf[k++] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      ++i;
    }
    // Keep a high surrogate at the batch end for the next batch.
    if (k == 256 && i < n && buf[255] >= 0xD800 && buf[255] <= 0xDBFF) {
      --k;
      --i;
    }
    AppendUnits(buf, k, out, loss);
  }
}

void DecodeJet4Text(std::span<const std::uint8_t> bytes, std::string& out, TTextLoss* loss) {
  out.clear();
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bool compressed = true;
    std::size_t i = 2;
    char16_t buf[256];
    std::size_t k = 0;
    auto flush = [&](bool final) {
      std::size_t keep = 0;
      if (!final && k > 0 && buf[k - 1] >= 0xD800 && buf[k - 1] <= 0xDBFF) keep = 1;
      AppendUnits(buf, k - keep, out, loss);
      if (keep) buf[0] = buf[k - 1];
      k = keep;
    };
    while (i < bytes.size()) {
      if (bytes[i] == 0) {
        compressed = !compressed;
        ++i;
        continue;
      }
      if (compressed) {
        buf[k++] = bytes[i];
        ++i;
      } else if (i + 1 < bytes.size()) {
        buf[k++] = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        i += 2;
      } else {
        if (loss) ++loss->Cut;
        break;
      }
      if (k == 256) flush(false);
    }
    flush(true);
    return;
  }
  AppendUtf16LeAsUtf8(bytes, out, loss);
}

void DecodeJet3Text(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out) {
  out.clear();
  for (std::uint8_t b : bytes) {
    if (b < 0x80) out.push_back(static_cast<char>(b));
    else if (codePage == 1251) AppendUtf8(kCp1251High[b - 0x80], out);
    else AppendUtf8(b, out);
  }
}

void EncodeJet4Text(std::u16string_view text, bool compress, std::string& out) {
  out.clear();
  bool representable = compress;
  if (representable) {
    for (char16_t c : text) {
      // A unit whose low byte is zero would read as a mode switch.
      if ((c & 0xFF) == 0) {
        representable = false;
        break;
      }
    }
  }
  if (representable) {
    out.push_back('\xFF');
    out.push_back('\xFE');
    bool compressed = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const bool small = c < 0x100;
      if (small && !compressed) {
        // Switching back pays off only for a run of two or more, or at the end.
        const bool worth = i + 1 >= text.size() || text[i + 1] < 0x100;
        if (worth) {
          out.push_back('\0');
          compressed = true;
        }
      } else if (!small && compressed) {
        out.push_back('\0');
        compressed = false;
      }
      if (compressed) {
        out.push_back(static_cast<char>(c));
      } else {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
      }
    }
    if (out.size() < text.size() * 2) return;
    out.clear();
  }
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
}

}  // namespace vedograf::jet
