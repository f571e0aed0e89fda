#pragma once
// The wire between the program and the database provider, the worker process
// that alone runs libmdb. The worker writes frames to its standard output:
// a one-byte kind, a 32-bit little-endian payload length, the payload. All
// numbers are little-endian; texts are UTF-8 with a 32-bit length.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vedograf::db {

enum class TFrame : std::uint8_t {
  Schema = 'S',   // u64 log rows by the table definition, u64 address rows, u32 layout
  Address = 'A',  // repeated: i32 number, text name
  // repeated: i32 recno (column 0), i32 mobile, i32 flags (column 5),
  // f64 date (column 4), lon, lat, speed, text; then f64 DATE when the layout
  // has kLayoutNamedDate and i32 FLAGS when it has kLayoutNamedFlags.
  Rows = 'R',
  Error = 'E',    // u32 kind (TProviderFailure), text message
  Done = 'D',     // u64 log rows read, u64 values cut, u64 characters replaced, u64 unreadable rows
};

enum class TProviderFailure : std::uint32_t {
  NotDatabase = 1,    // not a Jet file libmdb can read
  TablesMissing = 2,  // RXLOG or ADDRESS, or a column the program reads, is missing
  Other = 3,
};

// Schema layout bits: the columns named DATE / FLAGS are not the columns 4 / 5.
inline constexpr std::uint32_t kLayoutNamedDate = 1;
inline constexpr std::uint32_t kLayoutNamedFlags = 2;

inline constexpr std::uint32_t kMaxFramePayload = 1u << 20;

// Appends little-endian values and texts to a payload.
class TFrameWriter {
 public:
  void U32(std::uint32_t v) { Raw(&v, 4); }
  void I32(std::int32_t v) { Raw(&v, 4); }
  void U64(std::uint64_t v) { Raw(&v, 8); }
  void F64(double v) { Raw(&v, 8); }
  void Text(std::string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    buf_.append(s.data(), s.size());
  }
  std::size_t Size() const { return buf_.size(); }
  const std::string& Bytes() const { return buf_; }
  void Clear() { buf_.clear(); }

 private:
  void Raw(const void* p, std::size_t n) { buf_.append(static_cast<const char*>(p), n); }
  std::string buf_;
};

// Reads a payload; every read is bounds-checked and sets Failed() instead of
// running past the end.
class TFrameReader {
 public:
  explicit TFrameReader(std::string_view payload) : p_(payload) {}
  std::uint32_t U32() { return Get<std::uint32_t>(); }
  std::int32_t I32() { return Get<std::int32_t>(); }
  std::uint64_t U64() { return Get<std::uint64_t>(); }
  double F64() { return Get<double>(); }
  std::string_view Text() {
    const std::uint32_t n = U32();
    if (failed_ || n > p_.size() - at_) {
      failed_ = true;
      return {};
    }
    std::string_view s = p_.substr(at_, n);
    at_ += n;
    return s;
  }
  bool AtEnd() const { return at_ >= p_.size(); }
  bool Failed() const { return failed_; }

 private:
  template <class T>
  T Get() {
    T v{};
    if (failed_ || p_.size() - at_ < sizeof(T)) {
      failed_ = true;
      return v;
    }
    std::memcpy(&v, p_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return v;
  }
  std::string_view p_;
  std::size_t at_ = 0;
  bool failed_ = false;
};

}  // namespace vedograf::db
