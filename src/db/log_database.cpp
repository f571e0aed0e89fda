#include "db/log_database.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/errors.h"
#include "core/record.h"

namespace vedograf::db {

namespace {
constexpr std::uint32_t kErrBadFilter = 0x80040E14;    // errors in the command
constexpr std::uint32_t kErrNoColumn = 0x800A0CC1;     // item not found in the collection
constexpr std::uint32_t kErrNoCurrentRow = 0x800A0BCD; // BOF or EOF
}  // namespace

class TLoadSink : public IProviderSink {
 public:
  explicit TLoadSink(TLogDatabase& db) : db_(db) {}

  void OnSchema(std::uint64_t logRows, std::uint64_t) override {
    db_.report_.RowsExpected = logRows;
    // The definition's count may be damaged: reserve only what is plausible.
    db_.rows_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(logRows, 50'000'000)));
  }
  void OnAddress(std::int32_t number, std::string_view name) override {
    db_.addresses_.push_back({number, std::string(name)});
  }
  void OnRow(std::int32_t recNo, std::int32_t mobile, std::int32_t flags, double date, double lon, double lat,
             double speed, std::string_view text) override {
    if (db_.rows_.size() >= 0xFFFFFFFFu) return;
    if (std::isnan(date)) {
      // A NaN would break the ordering; such a row sorts first, counted as damaged.
      date = -HUGE_VAL;
      ++db_.report_.ValuesCut;
    }
    const auto index = static_cast<std::uint32_t>(db_.rows_.size());
    db_.rows_.push_back({date, lon, lat, speed, db_.texts_.size(), static_cast<std::uint32_t>(text.size()), recNo,
                         flags});
    db_.texts_.append(text);
    db_.byObject_[mobile].push_back(index);
  }
  void OnDone(std::uint64_t rowsRead, std::uint64_t cut, std::uint64_t replaced, std::uint64_t unreadable) override {
    db_.report_.RowsRead = rowsRead;
    db_.report_.ValuesCut += cut;
    db_.report_.CharactersReplaced = replaced;
    db_.report_.RowsUnreadable = unreadable;
  }

 private:
  TLogDatabase& db_;
};

std::unique_ptr<TLogDatabase> TLogDatabase::Load(const std::string& absolutePath, const TProviderOptions& options,
                                                 const std::function<void()>& pump) {
  auto db = std::make_unique<TLogDatabase>();
  TLoadSink sink(*db);
  RunProvider(absolutePath, sink, options, pump);
  db->rows_.shrink_to_fit();
  db->texts_.shrink_to_fit();
  // The static cursor is ordered by DATE; rows of equal DATE keep table order.
  for (auto& [mobile, list] : db->byObject_) {
    const auto& rows = db->rows_;
    std::stable_sort(list.begin(), list.end(),
                     [&rows](std::uint32_t a, std::uint32_t b) { return rows[a].Date < rows[b].Date; });
    list.shrink_to_fit();
    if (pump) pump();
  }
  return db;
}

std::vector<std::int32_t> TLogDatabase::LogObjects() const {
  std::vector<std::int32_t> out;
  out.reserve(byObject_.size());
  for (const auto& [mobile, list] : byObject_) out.push_back(mobile);
  std::sort(out.begin(), out.end());
  return out;
}

std::size_t TLogDatabase::HeldBytes() const {
  std::size_t n = rows_.capacity() * sizeof(TRow) + texts_.capacity() + all_.capacity() * 4;
  for (const auto& [mobile, list] : byObject_) n += list.capacity() * 4 + 64;
  for (const auto& a : addresses_) n += sizeof a + a.Name.capacity();
  return n;
}

void TLogDatabase::SetFilterText(std::string_view text) {
  // Exactly the two forms the run driver sets.
  const std::string s(text);
  int mobile = 0;
  int consumed = -1;
  if (std::sscanf(s.c_str(), "MOBILE = %d%n", &mobile, &consumed) != 1 || consumed < 0)
    throw TOleError(kErrBadFilter, "Неверный фильтр: " + s);
  const std::string_view rest = text.substr(static_cast<std::size_t>(consumed));
  if (!rest.empty() && rest != " AND FLAGS = 12") throw TOleError(kErrBadFilter, "Неверный фильтр: " + s);
  mobile_ = mobile;
  flags12_ = !rest.empty();
  if (filtered_) Select();
}

void TLogDatabase::SetTimeWindow(double begin, double end) {
  winBegin_ = begin;
  winEnd_ = end;
  if (filtered_) Select();
}

void TLogDatabase::SetFiltered(bool on) {
  filtered_ = on;
  Select();
}

void TLogDatabase::Select() {
  if (!filtered_) {
    if (all_.size() != rows_.size()) {
      all_.resize(rows_.size());
      for (std::uint32_t i = 0; i < all_.size(); ++i) all_[i] = i;
      std::stable_sort(all_.begin(), all_.end(),
                       [this](std::uint32_t a, std::uint32_t b) { return rows_[a].Date < rows_[b].Date; });
    }
    list_ = &all_;
    pos_ = 0;
    end_ = all_.size();
    return;
  }
  static const std::vector<std::uint32_t> kNone;
  const auto it = byObject_.find(mobile_);
  list_ = it == byObject_.end() ? &kNone : &it->second;
  // The list is ascending by DATE, so the window is one contiguous range.
  const auto& rows = rows_;
  const auto lo = std::lower_bound(list_->begin(), list_->end(), winBegin_,
                                   [&rows](std::uint32_t i, double v) { return rows[i].Date < v; });
  const auto hi = std::upper_bound(lo, list_->end(), winEnd_,
                                   [&rows](double v, std::uint32_t i) { return v < rows[i].Date; });
  pos_ = static_cast<std::size_t>(lo - list_->begin());
  end_ = static_cast<std::size_t>(hi - list_->begin());
  SkipRejected();
}

void TLogDatabase::SkipRejected() {
  if (!filtered_ || !flags12_) return;
  while (pos_ < end_ && rows_[(*list_)[pos_]].Flags != 12) ++pos_;
}

void TLogDatabase::First() {
  if (!list_) Select();
  Select();
}

void TLogDatabase::Next() {
  if (pos_ < end_) ++pos_;
  SkipRejected();
}

const TLogDatabase::TRow& TLogDatabase::Current() const {
  if (!list_ || pos_ >= end_) throw TOleError(kErrNoCurrentRow, "Нет текущей записи");
  return rows_[(*list_)[pos_]];
}

std::int32_t TLogDatabase::AsInteger(int column) const {
  const TRow& r = Current();
  switch (column) {
    case kColRecNo: return r.RecNo;
    case kColFlags: return r.Flags;
    default: break;
  }
  const double v = AsDouble(column);
  return std::isfinite(v) && std::fabs(v) < 2147483648.0 ? static_cast<std::int32_t>(v) : 0;
}

static double AsDoubleOf(int column, double date, double lon, double lat, double speed) {
  switch (column) {
    case kColTime: return date;
    case kColLon: return lon;
    case kColLat: return lat;
    case kColSpeed: return speed;
    default: throw TOleError(kErrNoColumn, "Столбец " + std::to_string(column) + " не читается");
  }
}

double TLogDatabase::AsDouble(int column) const {
  const TRow& r = Current();
  if (column == kColRecNo) return r.RecNo;
  if (column == kColFlags) return r.Flags;
  return AsDoubleOf(column, r.Date, r.Lon, r.Lat, r.Speed);
}

double TLogDatabase::AsDateTime(int column) const { return AsDouble(column); }

void TLogDatabase::AsText(int column, std::string& out) const {
  const TRow& r = Current();
  if (column != kColText) throw TOleError(kErrNoColumn, "Столбец " + std::to_string(column) + " не читается");
  out.assign(texts_, static_cast<std::size_t>(r.TextAt), r.TextLen);
}

}  // namespace vedograf::db
