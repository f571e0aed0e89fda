#pragma once
// The values an input row carries after the marker "Входы:": discrete input
// states, analog values and fuel readings at fixed positions. Positions count
// characters from the first letter of the marker, not bytes: the text is UTF-8
// and the marker itself is Cyrillic. Nothing here allocates, so the steps can
// read the fields of every row.

#include <cstddef>
#include <string_view>

namespace vedograf {

inline constexpr std::string_view kInputMarker = "Входы:";
inline constexpr int kInputFieldWidth = 6;

// Position of the state character of discrete input `index` (0..4: 7, 9, ... 15).
constexpr int SensorCharPos(int index) { return 5 + 2 * (index + 1); }
// Start of the field of analog input `index` (0..2: 17, 23, 29).
constexpr int AnalogFieldPos(int index) { return 11 + 6 * (index + 1); }
// Start of the field of fuel sensor `index` (0..2): the analog input fields,
// or 56, 62, 68 for LLS sensors.
constexpr int FuelFieldPos(int index, bool useLLS) { return (useLLS ? 50 : 11) + 6 * (index + 1); }

// Reads a field as a decimal number: optional blanks, an optional sign, digits
// with at most one decimal mark ('.' or ','), optional blanks. At least one
// digit is needed. False (value untouched) for an empty or all-blank field,
// dashes, or anything else; never depends on the process locale.
bool ParseDecimalField(std::string_view field, double& value) noexcept;

// One row text seen through its marker. Holds a view: the text must outlive it.
class TInputFields {
 public:
  TInputFields() noexcept : marker_(std::string_view::npos) {}  // no fields
  // Finds the first marker in `text`; a text without it has no fields.
  explicit TInputFields(std::string_view text) noexcept;

  bool HasMarker() const noexcept { return marker_ != std::string_view::npos; }

  // The character at `pos` when it is a single-byte one; '\0' when there is no
  // marker, the text ends before `pos`, or the character there is multi-byte.
  char CharAt(int pos) const noexcept;

  // The `width` characters starting at `pos` read by ParseDecimalField. False
  // when there is no marker, the field is not wholly inside the text, or it
  // does not read as a number.
  bool NumberAt(int pos, int width, double& value) const noexcept;

 private:
  // Byte offset of character `pos` (counted from the marker), or npos when the
  // text ends first. `pos` == character count gives the text's size.
  std::size_t Offset(int pos) const noexcept;
  // Byte offset `count` characters after byte offset `from`, or npos.
  std::size_t Advance(std::size_t from, int count) const noexcept;

  std::string_view text_;
  std::size_t marker_;
  std::size_t asciiBegin_ = 0, asciiEnd_ = 0;  // byte range of ASCII after the marker
};

}  // namespace vedograf
