#pragma once
// The number reading of the area file formats, which were defined by what the
// C library's scanf accepts. Done here by hand so that it does not depend on
// the program's locale (the decimal mark is always '.').

#include <cstddef>
#include <string_view>

namespace vedograf {

// Like scanf's "%lf" at text[pos]: skips white space (space, \t, \n, \v, \f,
// \r), then takes the longest prefix that strtod reads in the "C" locale:
// an optional sign, then a decimal number with optional fraction and
// exponent, a hexadecimal "0x" number, "inf", "infinity" or "nan" (any case,
// "nan(chars)" included). A value too large becomes +-inf, one too small
// +-0. On success sets `value`, moves `pos` past the number and returns true;
// otherwise returns false and leaves both alone.
bool ScanDouble(std::string_view text, std::size_t& pos, double& value);

// Like scanf's "%d": skips white space, an optional sign, then at least one
// decimal digit. A value beyond the int range is clamped to it. Same success
// and failure contract as ScanDouble.
bool ScanInt(std::string_view text, std::size_t& pos, int& value);

}  // namespace vedograf
