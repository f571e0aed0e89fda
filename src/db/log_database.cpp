#include "db/log_database.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>

#include "core/errors.h"
#include "core/record.h"

namespace vedograf::db {

namespace {
constexpr std::uint32_t kErrBadFilter = 0x80040E14;     // errors in the command
constexpr std::uint32_t kErrNoColumn = 0x800A0CC1;      // item not found in the collection
constexpr std::uint32_t kErrNoCurrentRow = 0x800A0BCD;  // BOF or EOF
constexpr std::size_t kChunkBytes = 4u << 20;
constexpr std::size_t kMaxRows = 0xFFFFFFFFu;
constexpr std::size_t kHugePage = 2u << 20;

// Asks for huge pages over the whole 2 MB pages inside [p, p + n): the log's
// arrays are big and walked object by object, and with 4 KB pages every row
// of the walk costs a page-table lookup (and, while loading, a page fault).
void AdviseHuge(const void* p, std::size_t n) {
  const auto from = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(kHugePage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

class TLoadSink : public IProviderSink {
 public:
  TLoadSink(TLogDatabase& db, std::uint64_t fileSize) : db_(db), fileSize_(fileSize) {}

  void OnSchema(std::uint64_t logRows, std::uint64_t) override {
    db_.report_.RowsExpected = logRows;
    // The definition's count may be damaged: no file holds more rows than it
    // has bytes for (a row takes at least a dozen).
    const std::uint64_t plausible = std::min<std::uint64_t>(logRows, fileSize_ / 12);
    db_.rows_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(plausible, kMaxRows)));
    AdviseHuge(db_.rows_.data(), db_.rows_.capacity() * sizeof(TLogDatabase::TRow));
  }
  void OnAddress(std::int32_t number, std::string_view name) override {
    db_.addresses_.push_back({number, std::string(name)});
  }
  void OnRow(const TProviderRow& row) override { db_.AddRow(row); }
  void OnDone(std::uint64_t rowsRead, std::uint64_t cut, std::uint64_t replaced, std::uint64_t unreadable) override {
    db_.report_.RowsRead = std::min<std::uint64_t>(rowsRead, db_.rows_.size());
    db_.report_.ValuesCut += cut;
    db_.report_.CharactersReplaced = replaced;
    db_.report_.RowsUnreadable = unreadable + (rowsRead - db_.report_.RowsRead);
  }

 private:
  TLogDatabase& db_;
  std::uint64_t fileSize_;
};

void TLogDatabase::AddRow(const TProviderRow& p) {
  if (rows_.size() >= kMaxRows) return;  // counted as unreadable by OnDone
  double date = p.Date;
  double order = p.OrderDate;
  // A NaN would break the ordering; such a row sorts first, counted as damaged.
  if (std::isnan(order)) {
    order = -HUGE_VAL;
    ++report_.ValuesCut;
  }
  if (std::isnan(date)) date = order;
  if (order != date && orderDates_.empty()) {
    // The first row whose DATE differs from column 4: from now on the
    // ordering dates are held apart.
    orderDates_.reserve(rows_.capacity());
    for (const TRow& r : rows_) orderDates_.push_back(r.Date);
  }
  if (!orderDates_.empty()) orderDates_.push_back(order);

  // Texts never straddle two chunks, so a row's text is one contiguous view.
  const std::size_t n = std::min<std::size_t>(p.Text.size(), kLenMask);
  if (chunks_.empty() || chunkSize_ - chunkUsed_ < n) {
    chunkSize_ = std::max(kChunkBytes, n);
    chunkSize_ = (chunkSize_ + kHugePage - 1) & ~(kHugePage - 1);
    char* chunk = static_cast<char*>(std::aligned_alloc(kHugePage, chunkSize_));
    if (!chunk) throw std::bad_alloc();
    AdviseHuge(chunk, chunkSize_);
    chunks_.emplace_back(chunk);
    chunkTotal_ += chunkSize_;
    chunkUsed_ = 0;
  }
  const std::uint64_t at = (static_cast<std::uint64_t>(chunks_.size() - 1) << 32) | chunkUsed_;
  if (n > 0) std::memcpy(chunks_.back().get() + chunkUsed_, p.Text.data(), n);
  chunkUsed_ += n;
  textBytes_ += n;
  std::uint32_t len = static_cast<std::uint32_t>(n);
  if (p.FilterFlags == 12) len |= kFlags12Bit;
  // Rows come in time order but for a few that arrived late; those are
  // marked now, so ordering each object later needs no pass over its dates.
  if (!lastLoading_ || p.Mobile != lastMobile_) {
    lastMobile_ = p.Mobile;
    lastLoading_ = &loading_[p.Mobile];
  }
  ++lastLoading_->Rows;
  if (order < lastLoading_->MaxDate) {
    len |= kLateBit;
    late_.push_back(static_cast<std::uint32_t>(rows_.size()));
  } else {
    lastLoading_->MaxDate = order;
  }
  rows_.push_back({date, p.Lon, p.Lat, p.Speed, at, len, p.RecNo, p.Flags, p.Mobile});
}

void TLogDatabase::SortByDate(std::uint32_t* first, std::uint32_t* last) {
  // Logs are written in time order with a few rows arriving late, so the rows
  // below the running maximum are taken out, sorted on their own and merged
  // back: linear for a log in order. Ties go by index, which is table order.
  const auto before = [this](std::uint32_t a, std::uint32_t b) {
    const double da = OrderDate(a), db = OrderDate(b);
    return da < db || (da == db && a < b);
  };
  std::vector<std::uint32_t> late;
  std::uint32_t* kept = first;
  for (std::uint32_t* p = first; p < last; ++p) {
    if (kept != first && before(*p, kept[-1])) late.push_back(*p);
    else *kept++ = *p;
  }
  if (late.empty()) return;
  std::sort(late.begin(), late.end(), before);
  // Merge from the back so the kept rows can move in place.
  std::uint32_t* out = last;
  std::uint32_t* a = kept;
  std::size_t b = late.size();
  while (b > 0) {
    if (a != first && before(late[b - 1], a[-1])) *--out = *--a;
    else *--out = late[--b];
  }
}

void TLogDatabase::BuildIndex(const std::function<void()>& pump) {
  // Counting sort by object: one flat index, each object's rows one range,
  // in table order; that is DATE order but for the rows marked late.
  objects_.clear();
  objects_.reserve(loading_.size());
  for (const auto& [mobile, l] : loading_) objects_.push_back({mobile, 0, l.Rows});
  loading_.clear();
  lastLoading_ = nullptr;
  std::sort(objects_.begin(), objects_.end(),
            [](const TObjectRows& a, const TObjectRows& b) { return a.Mobile < b.Mobile; });
  std::unordered_map<std::int32_t, std::uint32_t> next;
  next.reserve(objects_.size());
  std::uint32_t at = 0;
  for (TObjectRows& o : objects_) {
    const std::uint32_t n = o.End;
    o.Begin = at;
    o.End = at + n;
    next[o.Mobile] = at;
    at += n;
  }
  index_.reserve(rows_.size());
  AdviseHuge(index_.data(), index_.capacity() * sizeof(std::uint32_t));
  index_.resize(rows_.size());
  std::int32_t last = 0;
  std::uint32_t* lastNext = nullptr;
  for (std::uint32_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].TextLen & kLateBit) continue;
    if (!lastNext || rows_[i].Mobile != last) {
      last = rows_[i].Mobile;
      lastNext = &next[last];
    }
    index_[(*lastNext)++] = i;
  }
  if (pump) pump();
  // The late rows, by object and then by (DATE, table order), merged into
  // their object's range: a few binary searches instead of a sort.
  const auto before = [this](std::uint32_t a, std::uint32_t b) {
    const double da = OrderDate(a), db = OrderDate(b);
    return da < db || (da == db && a < b);
  };
  std::sort(late_.begin(), late_.end(), [&](std::uint32_t a, std::uint32_t b) {
    return rows_[a].Mobile != rows_[b].Mobile ? rows_[a].Mobile < rows_[b].Mobile : before(a, b);
  });
  std::size_t k = 0;
  std::vector<std::uint32_t> merged;
  for (const TObjectRows& o : objects_) {
    const std::size_t from = k;
    while (k < late_.size() && rows_[late_[k]].Mobile == o.Mobile) ++k;
    if (k == from) continue;
    std::uint32_t* first = index_.data() + o.Begin;
    std::uint32_t* mid = index_.data() + o.End - (k - from);  // the kept rows end here
    merged.clear();
    merged.reserve(o.End - o.Begin);
    std::uint32_t* p = first;
    for (std::size_t q = from; q < k; ++q) {
      std::uint32_t* cut = std::upper_bound(p, mid, late_[q], before);
      merged.insert(merged.end(), p, cut);
      merged.push_back(late_[q]);
      p = cut;
    }
    merged.insert(merged.end(), p, mid);
    std::copy(merged.begin(), merged.end(), first);
    if (pump) pump();
  }
  late_.clear();
  late_.shrink_to_fit();
}

std::unique_ptr<TLogDatabase> TLogDatabase::Load(const std::string& absolutePath, const TProviderOptions& options,
                                                 const std::function<void()>& pump) {
  auto db = std::make_unique<TLogDatabase>();
  struct stat st{};
  const std::uint64_t fileSize = ::stat(absolutePath.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  TLoadSink sink(*db, fileSize);
  RunProvider(absolutePath, sink, options, pump);
  if (db->rows_.capacity() > db->rows_.size() + db->rows_.size() / 8) db->rows_.shrink_to_fit();
  db->BuildIndex(pump);
  return db;
}

std::vector<std::int32_t> TLogDatabase::LogObjects() const {
  std::vector<std::int32_t> out;
  out.reserve(objects_.size());
  for (const TObjectRows& o : objects_) out.push_back(o.Mobile);
  return out;
}

std::size_t TLogDatabase::HeldBytes() const {
  std::size_t n = rows_.capacity() * sizeof(TRow) + index_.capacity() * 4 + all_.capacity() * 4 +
                  orderDates_.capacity() * 8 + objects_.capacity() * sizeof(TObjectRows);
  n += chunkTotal_;
  for (const auto& a : addresses_) n += sizeof a + a.Name.capacity();
  return n;
}

void TLogDatabase::SetFilterText(std::string_view text) {
  // Exactly the two forms the run driver sets.
  static constexpr std::string_view kHead = "MOBILE = ";
  static constexpr std::string_view kFlags = " AND FLAGS = 12";
  std::int32_t mobile = 0;
  bool ok = text.starts_with(kHead);
  const char* end = text.data() + text.size();
  const char* p = text.data() + (ok ? kHead.size() : 0);
  if (ok) {
    const auto [q, ec] = std::from_chars(p, end, mobile);
    ok = ec == std::errc() && q != p;
    p = q;
  }
  const std::string_view rest(p, static_cast<std::size_t>(end - p));
  if (!ok || (!rest.empty() && rest != kFlags))
    throw TOleError(kErrBadFilter, "Неверный фильтр: " + std::string(text));
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
      SortByDate(all_.data(), all_.data() + all_.size());
    }
    list_ = all_.data();
    pos_ = 0;
    end_ = all_.size();
    return;
  }
  const auto it = std::lower_bound(objects_.begin(), objects_.end(), mobile_,
                                   [](const TObjectRows& o, std::int32_t m) { return o.Mobile < m; });
  if (it == objects_.end() || it->Mobile != mobile_) {
    list_ = nullptr;
    pos_ = end_ = 0;
    return;
  }
  // The object's rows are ascending by DATE, so the window is one range.
  const std::uint32_t* first = index_.data() + it->Begin;
  const std::uint32_t* last = index_.data() + it->End;
  const std::uint32_t* lo =
      std::lower_bound(first, last, winBegin_, [this](std::uint32_t i, double v) { return OrderDate(i) < v; });
  const std::uint32_t* hi =
      std::upper_bound(lo, last, winEnd_, [this](double v, std::uint32_t i) { return v < OrderDate(i); });
  list_ = first;
  pos_ = static_cast<std::size_t>(lo - first);
  end_ = static_cast<std::size_t>(hi - first);
  SkipRejected();
}

void TLogDatabase::SkipRejected() {
  if (!filtered_ || !flags12_) return;
  while (pos_ < end_ && !Flags12(list_[pos_])) ++pos_;
}

void TLogDatabase::First() { Select(); }

void TLogDatabase::Next() {
  if (pos_ < end_) ++pos_;
  SkipRejected();
  // An object's rows lie scattered among the other objects' in table order,
  // so nearly every row is a cache miss; asking for the row a few steps ahead,
  // and for the text of a nearer one, hides most of the wait.
  if (pos_ + 8 < end_) __builtin_prefetch(&rows_[list_[pos_ + 8]]);
  if (pos_ + 4 < end_) {
    const TRow& r = rows_[list_[pos_ + 4]];
    if ((r.TextLen & kLenMask) != 0) {
      __builtin_prefetch(chunks_[static_cast<std::size_t>(r.TextAt >> 32)].get() + (r.TextAt & 0xFFFFFFFFu));
    }
  }
}

const TLogDatabase::TRow& TLogDatabase::Current() const {
  if (!list_ || pos_ >= end_) throw TOleError(kErrNoCurrentRow, "Нет текущей записи");
  return rows_[list_[pos_]];
}

namespace {
[[noreturn]] void ThrowNoColumn(int column) {
  throw TOleError(kErrNoColumn, "Столбец " + std::to_string(column) + " не читается");
}
}  // namespace

std::int32_t TLogDatabase::AsInteger(int column) const {
  const TRow& r = Current();
  switch (column) {
    case kColRecNo: return r.RecNo;
    case kColFlags: return r.Flags;
    default: break;
  }
  const double v = std::nearbyint(AsDouble(column));
  return v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<std::int32_t>(v) : 0;
}

double TLogDatabase::AsDouble(int column) const {
  const TRow& r = Current();
  switch (column) {
    case kColRecNo: return r.RecNo;
    case kColFlags: return r.Flags;
    case kColTime: return r.Date;
    case kColLon: return r.Lon;
    case kColLat: return r.Lat;
    case kColSpeed: return r.Speed;
    default: ThrowNoColumn(column);
  }
}

double TLogDatabase::AsDateTime(int column) const { return AsDouble(column); }

void TLogDatabase::AsText(int column, std::string& out) const {
  const TRow& r = Current();
  if (column != kColText) ThrowNoColumn(column);
  const std::uint32_t len = r.TextLen & kLenMask;
  if (len == 0) {
    out.clear();
    return;
  }
  out.assign(chunks_[static_cast<std::size_t>(r.TextAt >> 32)].get() + (r.TextAt & 0xFFFFFFFFu), len);
}

}  // namespace vedograf::db
