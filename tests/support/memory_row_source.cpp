#include "support/memory_row_source.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace vedograf::test {

TMemoryRowSource::TMemoryRowSource(std::vector<TLogRow> rows) : rows_(std::move(rows)) {
  std::stable_sort(rows_.begin(), rows_.end(), [](const TLogRow& a, const TLogRow& b) { return a.Time < b.Time; });
  Rebuild();
}

void TMemoryRowSource::Add(TLogRow row) {
  // Sorting waits for the next First(), so building a big table stays linear.
  rows_.push_back(std::move(row));
  dirty_ = true;
}

void TMemoryRowSource::SetFilterText(std::string_view text) {
  filterText_ = std::string(text);
  filterHistory.push_back(filterText_);
  int mobile = 0;
  int consumed = 0;
  if (std::sscanf(filterText_.c_str(), "MOBILE = %d%n", &mobile, &consumed) != 1) {
    throw std::invalid_argument("bad filter: " + filterText_);
  }
  const std::string rest = filterText_.substr(static_cast<std::size_t>(consumed));
  if (!rest.empty() && rest != " AND FLAGS = 12") throw std::invalid_argument("bad filter: " + filterText_);
  mobile_ = mobile;
  flags12_ = !rest.empty();
  stale_ = true;
}

void TMemoryRowSource::SetTimeWindow(double begin, double end) {
  begin_ = begin;
  end_ = end;
  stale_ = true;
}

void TMemoryRowSource::SetFiltered(bool on) {
  filtered_ = on;
  stale_ = true;
}

void TMemoryRowSource::Rebuild() const {
  stale_ = false;
  if (dirty_) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const TLogRow& a, const TLogRow& b) { return a.Time < b.Time; });
    byMobile_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) byMobile_[rows_[i].Mobile].push_back(i);
    dirty_ = false;
  }
  visible_.clear();
  if (!filtered_) {
    for (std::size_t i = 0; i < rows_.size(); ++i) visible_.push_back(i);
  } else if (const auto it = byMobile_.find(mobile_); it != byMobile_.end()) {
    // Only this object's rows are looked at, as a database index would.
    for (const std::size_t i : it->second) {
      const TLogRow& r = rows_[i];
      if (flags12_ && r.Flags != 12) continue;
      if (!(begin_ <= r.Time && r.Time <= end_)) continue;
      visible_.push_back(i);
    }
  }
  pos_ = 0;
}

void TMemoryRowSource::First() {
  // The visible rows are worked out on first use after a change, as a
  // dataset requeries when it is next read.
  if (dirty_ || stale_) Rebuild();
  pos_ = 0;
}

void TMemoryRowSource::Next() {
  if (dirty_ || stale_) Rebuild();
  if (onNext && pos_ < visible_.size()) onNext(Current());
  ++pos_;
}

const TLogRow& TMemoryRowSource::Current() const {
  if (dirty_ || stale_) Rebuild();
  if (pos_ >= visible_.size()) throw std::out_of_range("no current row");
  return rows_[visible_[pos_]];
}

std::int32_t TMemoryRowSource::AsInteger(int column) const {
  const TLogRow& r = Current();
  switch (column) {
    case 0: return r.RecNo;
    case 1: return r.Mobile;
    case 5: return r.Flags;
    default: return static_cast<std::int32_t>(AsDouble(column));
  }
}

double TMemoryRowSource::AsDouble(int column) const {
  const TLogRow& r = Current();
  switch (column) {
    case 0: return r.RecNo;
    case 1: return r.Mobile;
    case 4: return r.Time;
    case 5: return r.Flags;
    case 7: return r.Lon;
    case 8: return r.Lat;
    case 10: return r.Speed;
    default: return 0.0;
  }
}

double TMemoryRowSource::AsDateTime(int column) const { return AsDouble(column); }

void TMemoryRowSource::AsText(int column, std::string& out) const {
  if (column == 2) {
    out.assign(Current().Text);
  } else {
    out.clear();
  }
}

}  // namespace vedograf::test
