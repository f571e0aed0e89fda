#pragma once
// Errors of the database and workbook layers: exceptions that carry a numeric
// code the way OLE errors do (an HRESULT), shown to the user as 8 upper-case
// hexadecimal digits.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vedograf {

class TOleError : public std::runtime_error {
 public:
  TOleError(std::uint32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
  std::uint32_t Code() const noexcept { return code_; }

 private:
  std::uint32_t code_;
};

}  // namespace vedograf
