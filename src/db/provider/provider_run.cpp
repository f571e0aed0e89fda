// The database provider's reading of a log: see provider_main.cpp for why it
// runs in a process of its own and db/provider_protocol.h for what it sends.
//
// libmdb's own conversion of bound columns to text is not used: it cuts long
// values, formats by the locale and has read past its buffers on damaged
// files. Rows are cracked into field positions only, and every value is
// decoded here from the raw bytes, checked against the field's length.

// mdbtools.h includes glib inside its extern "C" block, which glib's C++
// templates refuse; taking glib first makes that inner include a no-op.
#include <glib.h>
#include <mdbtools.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/jet_format.h"
#include "db/provider/provider_run.h"

namespace vedograf::db::worker {

namespace {

constexpr std::size_t kBatchBytes = 256 * 1024;
constexpr int kMaxMemoHops = 20000;

struct TStats {
  std::uint64_t Cut = 0;
  std::uint64_t Replaced = 0;
  std::uint64_t Unreadable = 0;
};

[[noreturn]] void Fail(int fd, TProviderFailure kind, const std::string& message) {
  TFrameWriter w;
  w.U32(static_cast<std::uint32_t>(kind));
  w.Text(message);
  SendFrame(fd, TFrame::Error, w);
  throw TProviderExit{0};
}

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsIntegerType(int t) { return t == MDB_BYTE || t == MDB_INT || t == MDB_LONGINT; }
bool IsRealType(int t) {
  return IsIntegerType(t) || t == MDB_FLOAT || t == MDB_DOUBLE || t == MDB_MONEY || t == MDB_DATETIME;
}
bool IsTextType(int t) { return t == MDB_TEXT || t == MDB_MEMO; }

struct TReader {
  MdbHandle* Mdb = nullptr;
  MdbTableDef* Table = nullptr;
  std::vector<MdbField> Fields;
  std::vector<int> Types;  // per position
  TStats Stats;
  std::vector<std::uint8_t> Memo;
  bool Jet3 = false;

  const unsigned char* At(const MdbField& f) const { return Mdb->pg_buf + f.start; }

  // Whether the field's bytes lie inside the page (libmdb takes them from the
  // row's own offset table, which a damaged page can point anywhere).
  bool InPage(const MdbField& f) const {
    const auto page = static_cast<long>(Mdb->fmt->pg_size);
    return f.start >= 0 && f.siz >= 0 && f.start <= page && f.siz <= page - f.start;
  }

  // A fixed value that is shorter than its type is damage: read as 0, counted.
  bool Present(const MdbField& f, int need) {
    if (f.is_null) return false;
    if (f.siz < need || !InPage(f)) {
      ++Stats.Cut;
      return false;
    }
    return true;
  }

  std::int32_t Integer(int pos) {
    const MdbField& f = Fields[static_cast<std::size_t>(pos)];
    switch (Types[static_cast<std::size_t>(pos)]) {
      case MDB_BYTE: return Present(f, 1) ? At(f)[0] : 0;
      case MDB_INT: return Present(f, 2) ? static_cast<std::int16_t>(At(f)[0] | (At(f)[1] << 8)) : 0;
      case MDB_LONGINT: return Present(f, 4) ? static_cast<std::int32_t>(Le32(At(f))) : 0;
      default: {
        // A real read as an integer rounds, half to even, as the field
        // conversion of the dispatch software's tools does.
        const double v = std::nearbyint(Real(pos));
        return v >= -2147483648.0 && v <= 2147483647.0 ? static_cast<std::int32_t>(v) : 0;
      }
    }
  }

  double Real(int pos) {
    const MdbField& f = Fields[static_cast<std::size_t>(pos)];
    const int t = Types[static_cast<std::size_t>(pos)];
    if (IsIntegerType(t)) return Integer(pos);
    switch (t) {
      case MDB_FLOAT: {
        if (!Present(f, 4)) return 0.0;
        float v;
        std::memcpy(&v, At(f), 4);
        return v;
      }
      case MDB_DOUBLE:
      case MDB_DATETIME: {
        if (!Present(f, 8)) return 0.0;
        double v;
        std::memcpy(&v, At(f), 8);
        return v;
      }
      case MDB_MONEY: {
        if (!Present(f, 8)) return 0.0;
        std::int64_t v;
        std::memcpy(&v, At(f), 8);
        return static_cast<double>(v) / 10000.0;
      }
      default: return 0.0;
    }
  }

  // libmdb computes a row's length as the difference of two stored offsets, so
  // on a damaged page it can be "negative", i.e. huge after the conversion.
  bool RowInPage(int start, std::size_t len) const {
    const std::size_t page = Mdb->fmt->pg_size;
    return start >= 0 && static_cast<std::size_t>(start) <= page && len <= page - static_cast<std::size_t>(start);
  }

  // Raw bytes of a long value into Memo; a damaged value is counted as cut.
  void ReadMemo(const MdbField& f) {
    Memo.clear();
    if (f.siz < MDB_MEMO_OVERHEAD || !InPage(f)) {
      if (f.siz > 0) ++Stats.Cut;
      return;
    }
    const unsigned char* p = At(f);
    const std::uint32_t head = Le32(p);
    const std::size_t len = head & 0x00FFFFFFu;
    const std::uint32_t flags = head >> 24;
    if (flags & 0x80) {
      const std::size_t avail = static_cast<std::size_t>(f.siz) - MDB_MEMO_OVERHEAD;
      const std::size_t n = len < avail ? len : avail;
      if (len > avail) ++Stats.Cut;
      Memo.assign(p + MDB_MEMO_OVERHEAD, p + MDB_MEMO_OVERHEAD + n);
      return;
    }
    std::int32_t pgRow = static_cast<std::int32_t>(Le32(p + 4));
    void* buf = nullptr;
    int off = 0;
    std::size_t rowLen = 0;
    if (flags & 0x40) {
      if (mdb_find_pg_row(Mdb, pgRow, &buf, &off, &rowLen) != 0 || !RowInPage(off, rowLen)) {
        ++Stats.Cut;
        return;
      }
      const std::size_t n = len < rowLen ? len : rowLen;
      const auto* b = static_cast<const unsigned char*>(buf) + off;
      Memo.assign(b, b + n);
      if (n < len) ++Stats.Cut;
      return;
    }
    if (flags != 0) {
      ++Stats.Cut;
      return;
    }
    for (int hop = 0; hop < kMaxMemoHops && pgRow != 0 && Memo.size() < len; ++hop) {
      if (mdb_find_pg_row(Mdb, pgRow, &buf, &off, &rowLen) != 0 || rowLen < 4 || !RowInPage(off, rowLen))
        break;
      const auto* b = static_cast<const unsigned char*>(buf) + off;
      const std::size_t want = len - Memo.size();
      const std::size_t n = rowLen - 4 < want ? rowLen - 4 : want;
      Memo.insert(Memo.end(), b + 4, b + 4 + n);
      pgRow = static_cast<std::int32_t>(Le32(b));
    }
    if (Memo.size() < len) ++Stats.Cut;
  }

  void Text(int pos, std::string& out) {
    out.clear();
    const MdbField& f = Fields[static_cast<std::size_t>(pos)];
    if (f.is_null || f.siz <= 0) return;
    if (!InPage(f)) {
      ++Stats.Cut;
      return;
    }
    const unsigned char* bytes = nullptr;
    std::size_t n = 0;
    if (Types[static_cast<std::size_t>(pos)] == MDB_MEMO) {
      ReadMemo(f);
      bytes = Memo.data();
      n = Memo.size();
    } else {
      bytes = At(f);
      n = static_cast<std::size_t>(f.siz);
    }
    if (Jet3) {
      vedograf::jet::DecodeJet3Text({bytes, n}, static_cast<std::uint16_t>(Mdb->f->code_page), out);
    } else {
      vedograf::jet::TTextLoss loss;
      vedograf::jet::DecodeJet4Text({bytes, n}, out, &loss);
      Stats.Cut += loss.Cut;
      Stats.Replaced += loss.Replaced;
    }
  }

  // Calls `row` for every readable row of the table, page by page.
  template <class F>
  std::uint64_t Scan(F&& row) {
    std::uint64_t read = 0;
    mdb_rewind_table(Table);
    const std::size_t pageSize = Mdb->fmt->pg_size;
    while (mdb_read_next_dpg(Table)) {
      const int rows = mdb_get_int16(Mdb->pg_buf, Mdb->fmt->row_count_offset);
      for (int r = 0; r < rows && r <= 1000; ++r) {
        int start = 0;
        std::size_t len = 0;
        if (mdb_find_row(Mdb, r, &start, &len) != 0 || len == 0) {
          ++Stats.Unreadable;
          continue;
        }
        if (start & 0x4000) continue;  // deleted
        if (start & 0x8000) {          // moved elsewhere; libmdb cannot follow it
          ++Stats.Unreadable;
          continue;
        }
        start &= 0x1FFF;
        if (!RowInPage(start, len) || static_cast<std::size_t>(start) >= pageSize) {
          ++Stats.Unreadable;
          continue;
        }
        if (mdb_crack_row(Table, start, len, Fields.data()) < 0) {
          ++Stats.Unreadable;
          continue;
        }
        row();
        ++read;
      }
    }
    return read;
  }
};

// libmdb's handles, released in the reverse order of their making: the
// tables before the handle whose pages and catalog they point into.
struct THandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TTableFreer {
  void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using THandle = std::unique_ptr<MdbHandle, THandleCloser>;
using TTable = std::unique_ptr<MdbTableDef, TTableFreer>;

// The usage map lists a table's data pages; libmdb keeps an empty copy when
// the map's row is empty and then dereferences it on the first page, and
// reads a map shorter than its 5-byte head past its end.
bool UsageMapSound(const MdbTableDef& t) { return t.usage_map != nullptr && t.map_sz >= 5; }

// mdb_read_catalog walks the system table whose definition is page 2 without
// that check; the same definition is read first, the way it reads it.
bool CatalogSound(MdbHandle* mdb) {
  MdbCatalogEntry entry{};
  entry.mdb = mdb;
  std::strcpy(entry.object_name, "MSysObjects");
  entry.object_type = MDB_TABLE;
  entry.table_pg = 2;
  const TTable t(mdb_read_table(&entry));
  // Without a definition at all libmdb stops by itself.
  return !t || UsageMapSound(*t);
}

TTable OpenTable(MdbHandle* mdb, const char* name) {
  MdbCatalogEntry* e = mdb_get_catalogentry_by_name(mdb, name);
  if (!e || e->object_type != MDB_TABLE) return nullptr;
  TTable t(mdb_read_table(e));
  if (!t || !UsageMapSound(*t)) return nullptr;
  if (!mdb_read_columns(t.get())) return nullptr;
  return t;
}

int FindColumn(MdbTableDef* t, const char* name) {
  for (unsigned i = 0; i < t->num_cols; ++i) {
    auto* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
    if (g_ascii_strcasecmp(c->name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

void Bind(TReader& r, MdbHandle* mdb, MdbTableDef* t) {
  r.Mdb = mdb;
  r.Table = t;
  r.Fields.assign(t->num_cols, MdbField{});
  r.Types.clear();
  for (unsigned i = 0; i < t->num_cols; ++i)
    r.Types.push_back(static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i))->col_type);
  r.Jet3 = IS_JET3(mdb);
}

}  // namespace

void SendFrame(int fd, TFrame kind, const TFrameWriter& payload) {
  unsigned char head[5];
  head[0] = static_cast<unsigned char>(kind);
  const auto n = static_cast<std::uint32_t>(payload.Size());
  std::memcpy(head + 1, &n, 4);
  auto writeAll = [fd](const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t w = ::write(fd, p, size);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw TProviderExit{3};  // the program went away
      p += w;
      size -= static_cast<std::size_t>(w);
    }
  };
  writeAll(head, 5);
  writeAll(payload.Bytes().data(), payload.Size());
}

void RunProvider(const std::string& path, int fd) {
  THandle mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) Fail(fd, TProviderFailure::NotDatabase, "not a Jet database");
  if (!CatalogSound(mdb.get()) || !mdb_read_catalog(mdb.get(), MDB_TABLE))
    Fail(fd, TProviderFailure::NotDatabase, "no readable catalog");

  const TTable address = OpenTable(mdb.get(), "ADDRESS");
  const TTable rxlog = OpenTable(mdb.get(), "RXLOG");
  if (!address || !rxlog) Fail(fd, TProviderFailure::TablesMissing, "RXLOG or ADDRESS missing");
  if (address->num_cols < 2 || rxlog->num_cols < 11) Fail(fd, TProviderFailure::TablesMissing, "columns missing");

  TReader a;
  Bind(a, mdb.get(), address.get());
  if (!IsRealType(a.Types[0]) || !IsTextType(a.Types[1]))
    Fail(fd, TProviderFailure::TablesMissing, "ADDRESS columns of unexpected types");

  TReader l;
  Bind(l, mdb.get(), rxlog.get());
  // Values are read by position; the filter and the ordering name MOBILE,
  // FLAGS and DATE. In the dispatch software's table FLAGS and DATE are the
  // columns 5 and 4; where they are not, their named values travel as well.
  const int mobile = FindColumn(rxlog.get(), "MOBILE");
  const int flags = FindColumn(rxlog.get(), "FLAGS");
  const int date = FindColumn(rxlog.get(), "DATE");
  if (mobile < 0 || flags < 0 || date < 0)
    Fail(fd, TProviderFailure::TablesMissing, "MOBILE, FLAGS or DATE missing");
  const auto& ty = l.Types;
  auto type = [&ty](int pos) { return ty[static_cast<std::size_t>(pos)]; };
  if (!IsRealType(ty[0]) || !IsTextType(ty[2]) || !IsRealType(ty[4]) || !IsRealType(ty[5]) ||
      !IsRealType(ty[7]) || !IsRealType(ty[8]) || !IsRealType(ty[10]) || !IsRealType(type(mobile)) ||
      !IsRealType(type(flags)) || !IsRealType(type(date)))
    Fail(fd, TProviderFailure::TablesMissing, "RXLOG columns of unexpected types");
  std::uint32_t layout = 0;
  if (date != 4) layout |= kLayoutNamedDate;
  if (flags != 5) layout |= kLayoutNamedFlags;

  TFrameWriter w;
  w.U64(rxlog->num_rows);
  w.U64(address->num_rows);
  w.U32(layout);
  SendFrame(fd, TFrame::Schema, w);
  w.Clear();

  std::string text;
  a.Scan([&] {
    w.I32(a.Integer(0));
    a.Text(1, text);
    w.Text(text);
    if (w.Size() >= kBatchBytes) {
      SendFrame(fd, TFrame::Address, w);
      w.Clear();
    }
  });
  if (w.Size() > 0) SendFrame(fd, TFrame::Address, w);
  w.Clear();

  const std::uint64_t read = l.Scan([&] {
    w.I32(l.Integer(0));
    w.I32(l.Integer(mobile));
    w.I32(l.Integer(5));
    w.F64(l.Real(4));
    w.F64(l.Real(7));
    w.F64(l.Real(8));
    w.F64(l.Real(10));
    l.Text(2, text);
    w.Text(text);
    if (layout & kLayoutNamedDate) w.F64(l.Real(date));
    if (layout & kLayoutNamedFlags) w.I32(l.Integer(flags));
    if (w.Size() >= kBatchBytes) {
      SendFrame(fd, TFrame::Rows, w);
      w.Clear();
    }
  });
  if (w.Size() > 0) SendFrame(fd, TFrame::Rows, w);
  w.Clear();

  w.U64(read);
  w.U64(a.Stats.Cut + l.Stats.Cut);
  w.U64(a.Stats.Replaced + l.Stats.Replaced);
  w.U64(a.Stats.Unreadable + l.Stats.Unreadable);
  SendFrame(fd, TFrame::Done, w);
}

}  // namespace vedograf::db::worker
