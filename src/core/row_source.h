#pragma once
// The log rows as the run driver sees them: the dataset operations it needs
// and nothing else. The database layer implements it on a real log file; tests
// use an in-memory one. Any operation may throw (TOleError for the database
// layer); the driver turns that into its error message.

#include <cstdint>
#include <string>
#include <string_view>

namespace vedograf {

class IRowSource {
 public:
  virtual ~IRowSource() = default;

  // Filter expression of the form "MOBILE = <n>" optionally followed by
  // " AND FLAGS = 12". Takes effect when filtering is switched on.
  virtual void SetFilterText(std::string_view text) = 0;
  // Rows outside Begin <= DATE <= End (both inclusive) are skipped while
  // filtering is on.
  virtual void SetTimeWindow(double begin, double end) = 0;
  virtual void SetFiltered(bool on) = 0;

  // Rows come ascending by DATE.
  virtual void First() = 0;
  virtual bool Eof() const = 0;
  virtual void Next() = 0;

  // Columns of the current row by position. A NULL reads as 0 / empty.
  virtual std::int32_t AsInteger(int column) const = 0;
  virtual double AsDouble(int column) const = 0;
  virtual double AsDateTime(int column) const = 0;
  // Assigns into `out`, reusing its capacity, so the hot loop copies the text
  // once and allocates nothing once the record has grown.
  virtual void AsText(int column, std::string& out) const = 0;
};

}  // namespace vedograf
