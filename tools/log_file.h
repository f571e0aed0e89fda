#pragma once
// The dispatch installation's log database as the writer makes it: table
// RXLOG with its eleven columns (the program reads positions 0, 2, 4, 5, 7, 8
// and 10 and filters on MOBILE) and table ADDRESS with the object names.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "jet_writer.h"

namespace vedograf::jet {

// Column positions of RXLOG as written here.
enum TLogColumn : int {
  kLogId = 0,       // ID, Long AutoNumber: the row's sequence number
  kLogMobile = 1,   // MOBILE, Long: the object number
  kLogText = 2,     // MESSAGE, Text(255) or Memo
  kLogPort = 3,     // PORT, Integer: receiving channel
  kLogDate = 4,     // DATE, Date/Time (UTC)
  kLogFlags = 5,    // FLAGS, Long
  kLogStatus = 6,   // STATUS, Long
  kLogLon = 7,      // LON, Double
  kLogLat = 8,      // LAT, Double
  kLogCourse = 9,   // COURSE, Double
  kLogSpeed = 10,   // SPEED, Double
  kLogColumnCount = 11,
};

struct TLogFileOptions {
  bool MemoText = false;   // column 2 as Memo instead of Text(255)
  bool Compressed = true;  // Jet 4 Unicode compression of texts
  std::string Password;
  double CreationDate = 45000.5;
  std::uint32_t DbKey = 0;  // non-zero: RC4-encoded pages
};

struct TLogRow {
  std::int32_t RecNo = 0;
  std::int32_t Mobile = 0;
  std::string Text;
  std::int32_t Port = 1;
  double Time = 0.0;
  std::int32_t Flags = 12;
  std::int32_t Status = 0;
  double Lon = 0.0;
  double Lat = 0.0;
  double Course = 0.0;
  double Speed = 0.0;
  std::uint32_t NullMask = 0;  // bit n set: column n is NULL
};

class TLogFileWriter {
 public:
  // Creates the file; throws TJetError like TJetFileWriter.
  TLogFileWriter(const std::filesystem::path& path, const TLogFileOptions& options = {});

  // A text longer than 255 characters in a Text column throws TJetError.
  void AddLog(const TLogRow& row);
  void AddAddress(std::int32_t number, std::string_view name);
  // ADDRESS row with a NULL name.
  void AddAddressWithoutName(std::int32_t number);

  std::uint64_t LogRows() const { return file_.RowCount(rxlog_); }
  void Finish() { file_.Finish(); }

 private:
  TJetFileWriter file_;
  int rxlog_ = 0;
  int address_ = 0;
};

}  // namespace vedograf::jet
