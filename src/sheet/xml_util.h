#pragma once
// Small helpers over pugixml shared by the parts of the workbook engine.

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace vedograf::xml {

// Nesting a workbook part never needs; deeper documents are refused.
inline constexpr int kMaxXmlDepth = 256;

// The element name without its namespace prefix.
std::string_view LocalName(const pugi::xml_node& node);
// First child element with that local name (any prefix); empty when none.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view local);
// Attribute by local name ("r:id" and "id" both match "id" only when the
// prefixed form is asked for by `local` being "r:id" or the attribute has
// that exact name).
pugi::xml_attribute AttrEndingWith(const pugi::xml_node& node, std::string_view suffix);

// Parses a part; throws TOleError(kErrFileOpen) naming `part` when it is no
// XML, has a document type declaration or nests deeper than kMaxXmlDepth.
void Load(pugi::xml_document& doc, const std::string& data, const std::string& part);
// The part as text, with an XML declaration.
std::string Save(const pugi::xml_document& doc);

// Escapes text for element content (quote also for attributes).
void AppendEscaped(std::string& out, std::string_view text, bool attribute = false);
// Text as a spreadsheet string: invalid UTF-8 bytes become U+FFFD and
// characters XML cannot carry become the _xHHHH_ escape of the format (a
// literal "_x" that looks like one is escaped itself). Output is XML-escaped.
void AppendSpreadsheetText(std::string& out, std::string_view text);
// Text for XML outside cells (titles): invalid UTF-8 bytes become U+FFFD,
// characters XML cannot carry are dropped. Not escaped.
std::string SafeText(std::string_view text);
// True when SafeText would leave the text as it is.
bool IsSafeText(std::string_view text);
// Undoes the _xHHHH_ escapes of a stored string.
std::string DecodeSpreadsheetText(std::string_view text);

// A cell holds at most this many UTF-16 units, as the application counts.
inline constexpr std::size_t kMaxCellText = 32767;
// Length in UTF-16 units (a character beyond the BMP counts twice).
std::size_t Utf16Length(std::string_view text);
// Text as a cell may hold it: invalid UTF-8 bytes become U+FFFD, and a text
// longer than kMaxCellText is cut on a character boundary and ends in "…",
// so that a reader sees it was cut.
std::string FitCellText(std::string_view text);
// True when FitCellText would leave the text as it is (cheap for the short
// ASCII texts that make up most cells).
bool FitsCell(std::string_view text);
// Lower case of a name for comparisons the way the application compares
// sheet and defined names: Latin, Greek and Cyrillic letters fold, invalid
// bytes compare as they are.
std::string FoldCase(std::string_view text);

// Why the bytes of an XML part are no XML 1.0 a strict reader takes (a byte
// that is no UTF-8, a character or character reference XML cannot carry, a
// document type declaration); empty when they are.
std::string PartTextProblem(std::string_view data);

// A part name of the package: relative, "/"-separated, no "." or ".."
// steps, no empty steps, no backslashes or drive letters that would make it
// a path of its own on another system.
bool IsPartName(std::string_view name);

// Part paths inside the zip.
std::string RelsPathOf(const std::string& part);  // "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"
std::string ResolveTarget(const std::string& sourcePart, std::string_view target);
std::string RelativeTarget(const std::string& sourcePart, const std::string& targetPart);

}  // namespace vedograf::xml
