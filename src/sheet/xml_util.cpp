#include "sheet/xml_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "core/errors.h"
#include "core/text_encoding.h"
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
  // pugixml expands no entities, but a declaration kept in the document
  // would be written out again for the next reader to expand.
  // It also takes a second top-level element or a declaration of any
  // attributes, which XML does not: the engine would work on the first
  // element as the part's root and write both out again, unreadable.
  int elements = 0;
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_doctype) {
      throw TOleError(kErrFileOpen, "Поврежден элемент книги " + part + ": недопустимое объявление типа документа");
    }
    if (n.type() == pugi::node_element && ++elements > 1) {
      throw TOleError(kErrFileOpen, "Поврежден элемент книги " + part + ": больше одного корневого элемента");
    }
    if (n.type() == pugi::node_declaration) {
      std::string names;
      for (pugi::xml_attribute a : n.attributes()) names += std::string(a.name()) + ' ';
      const bool sound = n == doc.first_child() && (names == "version " || names == "version encoding " ||
                                                    names == "version standalone " ||
                                                    names == "version encoding standalone ");
      if (!sound) throw TOleError(kErrFileOpen, "Поврежден элемент книги " + part + ": неверное объявление XML");
    }
  }
  // The engine walks parts with loops, but no reader of a workbook expects
  // thousands of levels: such a part is refused rather than carried on.
  int depth = 0;
  for (pugi::xml_node n = doc.first_child(); n;) {
    if (n.first_child()) {
      n = n.first_child();
      if (++depth > kMaxXmlDepth) {
        throw TOleError(kErrFileOpen, "Поврежден элемент книги " + part + ": слишком глубокая вложенность элементов");
      }
      continue;
    }
    while (n && !n.next_sibling()) {
      n = n.parent();
      --depth;
      if (n == doc) n = pugi::xml_node();
    }
    if (n) n = n.next_sibling();
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
  // pugixml would add a second declaration of its own to a part without one.
  doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
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
      AppendUtf8(out, cp);
      i += 7;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    units += n == 4 ? 2 : 1;
    i += n == 0 ? 1 : n;
  }
  return units;
}

bool FitsCell(std::string_view text) {
  if (text.size() > kMaxCellText) return Utf16Length(text) <= kMaxCellText && FitCellText(text) == text;
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string FitCellText(std::string_view text) {
  std::string out;
  out.reserve(std::min(text.size(), std::size_t{4} * kMaxCellText));
  std::size_t units = 0;
  bool cut = false;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    const std::size_t w = n == 4 ? 2 : 1;
    if (units + w > kMaxCellText) {
      cut = true;
      break;
    }
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
    units += w;
  }
  if (!cut) return out;
  // Room for the mark: drop characters from the end until one unit is free.
  while (units > kMaxCellText - 1) {
    std::size_t start = out.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(out[start]) & 0xC0) == 0x80) --start;
    units -= out.size() - start == 4 ? 2 : 1;
    out.resize(start);
  }
  out += "\xE2\x80\xA6";  // U+2026
  return out;
}

namespace {

char32_t LowerLetter(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs upper/lower, with the odd stretches and the
    // few letters that have no pair here.
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x178) return 0xFF;
    if (c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && ((c % 2 == 1) == oddUpper)) return c + 1;
    return c;
  }
  if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;  // Ѐ..Џ
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return c % 2 == 0 ? c + 1 : c;
  }
  if (c >= 0x4C1 && c <= 0x4CE) return c % 2 == 1 ? c + 1 : c;
  if (c == 0x4C0) return 0x4CF;
  return c;
}

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += text[i++];
      continue;
    }
    AppendUtf8(out, LowerLetter(cp));
    i += n;
  }
  return out;
}

std::string PartTextProblem(std::string_view data) {
  for (std::size_t i = 0; i < data.size();) {
    char32_t cp = 0;
    const std::size_t n = Utf8Length(data, i, cp);
    if (n == 0) return "байт " + std::to_string(i) + " не в кодировке UTF-8";
    if (!IsXmlChar(cp)) return "недопустимый в XML символ в позиции " + std::to_string(i);
    if (cp == '&' && i + 2 < data.size() && data[i + 1] == '#') {
      // A character reference: pugixml turns &#1; into the character itself.
      const bool hex = data[i + 2] == 'x';
      std::size_t k = i + (hex ? 3 : 2);
      std::uint32_t v = 0;
      bool digits = false;
      for (; k < data.size() && v <= 0x10FFFF; ++k) {
        const char c = data[k];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) break;
        v = v * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        digits = true;
      }
      if (!digits || k >= data.size() || data[k] != ';' || !IsXmlChar(v)) {
        return "недопустимая ссылка на символ в позиции " + std::to_string(i);
      }
    }
    if (cp == '<' && data.compare(i, 9, "<!DOCTYPE") == 0) return "недопустимое объявление типа документа";
    i += n;
  }
  return {};
}

bool IsPartName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view step = name.substr(start, end - start);
    if (step.empty() || step == "." || step == "..") return false;
    start = end + 1;
  }
  return true;
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
