#pragma once
// A writer of Access (Jet 4) database files, for tests, benchmarks and the
// sample data: no Jet engine exists on these machines, and a reader is only
// proven by files it did not make itself.
//
// What it writes: the header page (with an optional database password), the
// system catalog MSysObjects, and any number of user tables of fixed-size
// numbers, date-times, Text(n) and Memo columns, without indexes. Rows stream
// to the file page by page, so a file of millions of rows needs no more memory
// than a few pages and one page number per page written.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vedograf::jet {

enum class TColumnType : std::uint8_t {
  Byte = 0x02,
  Integer = 0x03,  // 16 bit
  Long = 0x04,     // 32 bit
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
};

struct TColumnDef {
  std::string Name;
  TColumnType Type = TColumnType::Long;
  int MaxChars = 255;        // Text and Binary: the declared length (characters / bytes)
  bool AutoNumber = false;   // Long only
  bool Compressed = true;    // Text and Memo: Unicode compression where it pays
};

// One value of a row; a view, valid for the AddRow call only.
struct TValue {
  enum class TKind : std::uint8_t { Null, Int, Real, Text };
  TKind Kind = TKind::Null;
  std::int64_t Int = 0;
  double Real = 0.0;
  std::string_view Str;  // UTF-8

  static TValue Null() { return {}; }
  static TValue Integer(std::int64_t v) { return {TKind::Int, v, 0.0, {}}; }
  static TValue Number(double v) { return {TKind::Real, 0, v, {}}; }
  static TValue String(std::string_view v) { return {TKind::Text, 0, 0.0, v}; }
};

class TJetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TFileOptions {
  std::string Password;          // empty: none; at most 20 UTF-16 units
  double CreationDate = 45000.5; // a fixed default keeps generated files reproducible
  // Non-zero: every page but the header is RC4-encoded with this key, as
  // Access does for an "encrypted" database.
  std::uint32_t DbKey = 0;
};

class TJetFileWriter {
 public:
  // Creates (truncates) `path`. Throws TJetError when the file cannot be made
  // or the password is too long.
  TJetFileWriter(const std::filesystem::path& path, const TFileOptions& options = {});
  ~TJetFileWriter();  // an unfinished file is left incomplete (not a database)

  TJetFileWriter(const TJetFileWriter&) = delete;
  TJetFileWriter& operator=(const TJetFileWriter&) = delete;

  // Declares a table; returns its handle for AddRow. Throws TJetError for an
  // empty or duplicate name, no columns, or an unsupported column.
  int AddTable(std::string_view name, std::vector<TColumnDef> columns);

  // Appends one row; `values` has one entry per column, in column order. A
  // Text longer than its MaxChars, a number of the wrong kind or a value too
  // big for any page throws TJetError; the file is then unusable.
  void AddRow(int table, std::span<const TValue> values);

  // Rows added so far to `table`.
  std::uint64_t RowCount(int table) const;

  // Writes the catalog, table definitions, usage maps and the header, and
  // closes the file. Nothing may be added afterwards.
  void Finish();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace vedograf::jet
