#include "sheet/xml_util.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/errors.h"
#include "sheet/workbook.h"

namespace vedograf::xml {

std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

pugi::xml_attribute AttrEndingWith(const pugi::xml_node& node, std::string_view suffix) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    std::string_view n = a.name();
    if (n.size() > suffix.size() && n.substr(n.size() - suffix.size()) == suffix && n[n.size() - suffix.size() - 1] == ':') {
      return a;
    }
  }
  return {};
}

void Load(pugi::xml_document& doc, const std::string& data, const std::string& part) {
  const pugi::xml_parse_result res =
      doc.load_buffer(data.data(), data.size(), pugi::parse_full & ~pugi::parse_eol, pugi::encoding_utf8);
  if (!res) {
    throw TOleError(kErrFileOpen, "Поврежден элемент книги " + part + ": " + res.description());
  }
}

namespace {
struct TStringWriter : pugi::xml_writer {
  std::string& out;
  explicit TStringWriter(std::string& o) : out(o) {}
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};
}  // namespace

std::string Save(const pugi::xml_document& doc) {
  std::string out;
  if (doc.first_child().type() != pugi::node_declaration) {
    out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  }
  TStringWriter w(out);
  doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
  return out;
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* rep = nullptr;
    switch (text[i]) {
      case '&': rep = "&amp;"; break;
      case '<': rep = "&lt;"; break;
      case '>': rep = "&gt;"; break;
      case '"': rep = attribute ? "&quot;" : nullptr; break;
      case '\n': rep = attribute ? "&#10;" : nullptr; break;
      case '\r': rep = attribute ? "&#13;" : nullptr; break;
      case '\t': rep = attribute ? "&#9;" : nullptr; break;
      default: break;
    }
    if (rep != nullptr) {
      out.append(text.substr(start, i - start));
      out += rep;
      start = i + 1;
    }
  }
  out.append(text.substr(start));
}

namespace {

// Length of a valid UTF-8 sequence at s[i], 0 when invalid.
std::size_t Utf8Length(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t n = 0;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool LooksLikeEscape(std::string_view s, std::size_t i) {
  return i + 7 <= s.size() && s[i] == '_' && s[i + 1] == 'x' && IsHex(s[i + 2]) && IsHex(s[i + 3]) &&
         IsHex(s[i + 4]) && IsHex(s[i + 5]) && s[i + 6] == '_';
}

}  // namespace

void AppendSpreadsheetText(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++i;
      continue;
    }
    const bool illegal = (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0xFFFE || cp == 0xFFFF;
    if (illegal) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "_x%04X_", static_cast<unsigned>(cp));
      out += buf;
    } else if (cp == '_' && LooksLikeEscape(text, i)) {
      out += "_x005F_";
    } else if (cp == '\r') {
      out += "&#13;";  // a bare CR would be read back as LF
    } else {
      AppendEscaped(out, text.substr(i, n));
    }
    i += n;
  }
}

std::string SafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    const bool illegal = (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || cp == 0xFFFE || cp == 0xFFFF;
    if (!illegal) out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

bool IsSafeText(std::string_view text) { return SafeText(text) == text; }

std::string DecodeSpreadsheetText(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (LooksLikeEscape(text, i)) {
      const unsigned cp = static_cast<unsigned>(std::stoul(std::string(text.substr(i + 2, 4)), nullptr, 16));
      if (cp < 0x80) {
        out += static_cast<char>(cp);
      } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
      i += 7;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string RelsPathOf(const std::string& part) {
  const auto slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

std::string ResolveTarget(const std::string& sourcePart, std::string_view target) {
  if (!target.empty() && target.front() == '/') return std::string(target.substr(1));
  const auto slash = sourcePart.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : sourcePart.substr(0, slash + 1);
  std::filesystem::path p = std::filesystem::path(dir + std::string(target)).lexically_normal();
  return p.generic_string();
}

std::string RelativeTarget(const std::string& sourcePart, const std::string& targetPart) {
  const auto slash = sourcePart.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : sourcePart.substr(0, slash);
  return std::filesystem::path(targetPart).lexically_relative(dir).generic_string();
}

}  // namespace vedograf::xml
