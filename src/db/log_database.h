#pragma once
// An open log database: table RXLOG read once at opening (the static cursor)
// and held compactly, ADDRESS with the object names, and the dataset
// operations of the run driver on top. Each object's rows are selected from
// its own index without another pass over the table.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/row_source.h"
#include "db/provider_client.h"

namespace vedograf::db {

struct TAddressRow {
  std::int32_t Number = 0;
  std::string Name;
};

// How complete the reading was; the opening tells the user when it was not.
struct TReadReport {
  std::uint64_t RowsExpected = 0;  // as the table definition says (0 after an unclean close)
  std::uint64_t RowsRead = 0;
  std::uint64_t RowsUnreadable = 0;
  std::uint64_t ValuesCut = 0;
  std::uint64_t CharactersReplaced = 0;
};

class TLogDatabase : public IRowSource {
 public:
  // Reads `absolutePath` through the database provider. Throws TOleError as
  // RunProvider does; `pump` runs while the worker streams.
  static std::unique_ptr<TLogDatabase> Load(const std::string& absolutePath, const TProviderOptions& options,
                                            const std::function<void()>& pump);

  // Distinct MOBILE values of the log, ascending (the DISTINCT query).
  std::vector<std::int32_t> LogObjects() const;
  const std::vector<TAddressRow>& Addresses() const { return addresses_; }
  const TReadReport& Report() const { return report_; }
  std::size_t RowCount() const { return rows_.size(); }
  // Bytes held for the log (rows, texts and indexes), for the benchmark.
  std::size_t HeldBytes() const;

  // IRowSource. A filter other than "MOBILE = <n>" with optional
  // " AND FLAGS = 12" throws TOleError. Column positions other than 0, 2, 4,
  // 5, 7, 8 and 10, or reading at the end, throw TOleError too.
  void SetFilterText(std::string_view text) override;
  void SetTimeWindow(double begin, double end) override;
  void SetFiltered(bool on) override;
  void First() override;
  bool Eof() const override { return pos_ >= end_; }
  void Next() override;
  std::int32_t AsInteger(int column) const override;
  double AsDouble(int column) const override;
  double AsDateTime(int column) const override;
  void AsText(int column, std::string& out) const override;

 private:
  friend class TLoadSink;
  // One row as held: 56 bytes, its text in the arena.
  struct TRow {
    double Date, Lon, Lat, Speed;  // columns 4, 7, 8, 10
    std::uint64_t TextAt;          // arena chunk << 32 | offset in the chunk
    std::uint32_t TextLen;         // bytes; the top bits: FLAGS (by name) = 12, arrived late
    std::int32_t RecNo;            // column 0
    std::int32_t Flags;            // column 5
    std::int32_t Mobile;
  };
  static constexpr std::uint32_t kFlags12Bit = 0x80000000u;
  static constexpr std::uint32_t kLateBit = 0x40000000u;  // DATE before an earlier row's of its object
  static constexpr std::uint32_t kLenMask = 0x3FFFFFFFu;

  // Per object while the log streams in.
  struct TLoading {
    double MaxDate = -HUGE_VAL;
    std::uint32_t Rows = 0;
  };

  // An object's rows: index_[Begin, End) ascending by DATE, table order on ties.
  struct TObjectRows {
    std::int32_t Mobile;
    std::uint32_t Begin, End;
  };

  void AddRow(const TProviderRow& row);
  void BuildIndex(const std::function<void()>& pump);
  double OrderDate(std::uint32_t i) const { return orderDates_.empty() ? rows_[i].Date : orderDates_[i]; }
  bool Flags12(std::uint32_t i) const { return (rows_[i].TextLen & kFlags12Bit) != 0; }
  void SortByDate(std::uint32_t* first, std::uint32_t* last);
  const TRow& Current() const;
  void Select();
  void SkipRejected();

  std::vector<TRow> rows_;
  struct TChunkFree {
    void operator()(char* p) const { std::free(p); }
  };
  std::vector<std::unique_ptr<char, TChunkFree>> chunks_;  // text arena, 2 MB aligned
  std::size_t chunkUsed_ = 0, chunkSize_ = 0;
  std::size_t textBytes_ = 0, chunkTotal_ = 0;
  std::vector<double> orderDates_;  // only when DATE is not column 4
  std::vector<std::uint32_t> index_;
  std::unordered_map<std::int32_t, TLoading> loading_;
  std::int32_t lastMobile_ = 0;
  TLoading* lastLoading_ = nullptr;
  std::vector<std::uint32_t> late_;  // rows with kLateBit, in table order
  std::vector<TObjectRows> objects_;  // ascending by Mobile
  std::vector<std::uint32_t> all_;    // every row ascending by DATE, built when first needed
  std::vector<TAddressRow> addresses_;
  TReadReport report_;

  // Cursor.
  std::int32_t mobile_ = 0;
  bool flags12_ = false;
  bool filtered_ = false;
  double winBegin_ = 0.0, winEnd_ = 0.0;
  const std::uint32_t* list_ = nullptr;
  std::size_t pos_ = 0, end_ = 0;
};

}  // namespace vedograf::db
