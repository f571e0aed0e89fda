#pragma once
// An in-memory log table with the dataset behaviour the driver relies on:
// rows ascending by time, the "MOBILE = n [AND FLAGS = 12]" filter and the
// inclusive time window while filtering is on.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/row_source.h"

namespace vedograf::test {

struct TLogRow {
  std::int32_t RecNo = 0;
  std::int32_t Mobile = 0;
  std::string Text;
  double Time = 0.0;
  std::int32_t Flags = 12;
  double Lon = 0.0;
  double Lat = 0.0;
  double Speed = 0.0;
};

class TMemoryRowSource : public IRowSource {
 public:
  TMemoryRowSource() = default;
  explicit TMemoryRowSource(std::vector<TLogRow> rows);

  void Add(TLogRow row);  // rows are ordered by time (stable) from the next First()

  void SetFilterText(std::string_view text) override;
  void SetTimeWindow(double begin, double end) override;
  void SetFiltered(bool on) override;
  void First() override;
  bool Eof() const override {
    if (dirty_ || stale_) Rebuild();
    return pos_ >= visible_.size();
  }
  void Next() override;
  std::int32_t AsInteger(int column) const override;
  double AsDouble(int column) const override;
  double AsDateTime(int column) const override;
  void AsText(int column, std::string& out) const override;

  const std::string& FilterText() const { return filterText_; }
  bool Filtered() const { return filtered_; }
  // Filter texts in the order they were set.
  std::vector<std::string> filterHistory;
  // Called on every Next (to throw at a chosen row, say).
  std::function<void(const TLogRow&)> onNext;

 private:
  void Rebuild() const;
  const TLogRow& Current() const;

  mutable std::vector<TLogRow> rows_;
  mutable std::vector<std::size_t> visible_;
  mutable std::unordered_map<std::int32_t, std::vector<std::size_t>> byMobile_;
  mutable std::size_t pos_ = 0;
  std::string filterText_;
  std::int32_t mobile_ = 0;
  bool flags12_ = false;
  bool filtered_ = false;
  mutable bool dirty_ = false;
  mutable bool stale_ = true;
  double begin_ = 0.0, end_ = 0.0;
};

}  // namespace vedograf::test
