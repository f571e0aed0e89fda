#include "jet_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "db/jet_format.h"

namespace vedograf::jet {

namespace {

constexpr std::size_t kPage = kJet4PageSize;
constexpr std::size_t kDataHeader = 14;        // type, 1, free space, owner, 4 unknown, row count
constexpr std::size_t kMaxRowsPerPage = 255;   // a row pointer keeps the row number in one byte
constexpr std::size_t kMaxRowBytes = kPage - kDataHeader - 2;
constexpr std::size_t kMemoHeader = 12;
constexpr std::size_t kInlineLongValue = 64;   // longer memo values go to LVAL pages
constexpr std::size_t kMapRowBytes = 64;       // a table usage map row
constexpr std::size_t kMapInlineBits = (kMapRowBytes - 5) * 8;
constexpr std::size_t kMapPageBits = (kPage - 4) * 8;
constexpr std::uint32_t kCatalogPage = 2;

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutDouble(std::uint8_t* p, double v) { std::memcpy(p, &v, 8); }

bool IsFixed(TColumnType t) {
  switch (t) {
    case TColumnType::Byte:
    case TColumnType::Integer:
    case TColumnType::Long:
    case TColumnType::Single:
    case TColumnType::Double:
    case TColumnType::DateTime:
      return true;
    default:
      return false;
  }
}

std::size_t FixedSize(TColumnType t) {
  switch (t) {
    case TColumnType::Byte: return 1;
    case TColumnType::Integer: return 2;
    case TColumnType::Long:
    case TColumnType::Single: return 4;
    default: return 8;
  }
}

// A page being filled with rows from the end towards the header.
struct TRowPage {
  std::array<std::uint8_t, kPage> Bytes{};
  std::uint32_t Number = 0;  // 0: none open
  std::size_t Rows = 0;
  std::size_t FreeEnd = kPage;

  bool Fits(std::size_t len) const {
    return Number != 0 && Rows < kMaxRowsPerPage && kDataHeader + 2 * (Rows + 1) + len <= FreeEnd;
  }
  void Open(std::uint32_t number, std::uint32_t owner, bool lval) {
    Bytes.fill(0);
    Bytes[0] = 0x01;
    Bytes[1] = 0x01;
    if (lval) std::memcpy(&Bytes[4], "LVAL", 4);
    else Put32(&Bytes[4], owner);
    Number = number;
    Rows = 0;
    FreeEnd = kPage;
  }
  // Places a row; returns its row number on the page.
  std::size_t Place(const std::uint8_t* data, std::size_t len) {
    FreeEnd -= len;
    std::memcpy(&Bytes[FreeEnd], data, len);
    Put16(&Bytes[kDataHeader + 2 * Rows], static_cast<std::uint32_t>(FreeEnd));
    ++Rows;
    Put16(&Bytes[12], static_cast<std::uint32_t>(Rows));
    Put16(&Bytes[2], static_cast<std::uint32_t>(FreeEnd - kDataHeader - 2 * Rows));
    return Rows - 1;
  }
};

struct TColumn {
  TColumnDef Def;
  bool Fixed = false;
  std::uint16_t FixedOffset = 0;
  std::uint16_t VarIndex = 0;
};

struct TTable {
  std::string Name;
  std::vector<TColumn> Columns;
  bool System = false;
  std::uint32_t TdefPage = 0;
  std::vector<std::uint32_t> DataPages;
  TRowPage Current;
  std::uint64_t Rows = 0;
  std::size_t FixedBytes = 0;
  std::size_t VarCount = 0;
  std::int64_t NextAuto = 1;
  bool HasAuto = false;
};

}  // namespace

struct TJetFileWriter::TImpl {
  int Fd = -1;
  TFileOptions Options;
  std::uint32_t NextPage = 3;  // 0 header, 1 global usage map, 2 catalog definition
  std::vector<TTable> Tables;
  TRowPage Lval;
  bool Finished = false;

  // Scratch reused across rows.
  std::vector<std::uint8_t> Row;
  std::vector<std::uint8_t> Var;
  std::vector<std::uint16_t> Offsets;
  std::string Encoded;

  ~TImpl() {
    if (Fd >= 0) ::close(Fd);
  }

  std::array<std::uint8_t, kPage> Cipher{};

  void WritePage(std::uint32_t number, const std::uint8_t* bytes) {
    if (Options.DbKey != 0 && number != 0) {
      std::memcpy(Cipher.data(), bytes, kPage);
      std::uint8_t key[4];
      PageKey(Options.DbKey, number, key);
      Rc4(key, Cipher);
      bytes = Cipher.data();
    }
    const off_t at = static_cast<off_t>(number) * static_cast<off_t>(kPage);
    std::size_t done = 0;
    while (done < kPage) {
      const ssize_t n = ::pwrite(Fd, bytes + done, kPage - done, at + static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw TJetError(std::string("cannot write the database file: ") + std::strerror(errno));
      done += static_cast<std::size_t>(n);
    }
  }

  std::uint32_t Allocate() {
    if (NextPage >= 0x00FFFFFF) throw TJetError("database file too large");
    return NextPage++;
  }

  void FlushTablePage(TTable& t) {
    if (t.Current.Number == 0) return;
    WritePage(t.Current.Number, t.Current.Bytes.data());
    t.Current.Number = 0;
  }

  void FlushLval() {
    if (Lval.Number == 0) return;
    WritePage(Lval.Number, Lval.Bytes.data());
    Lval.Number = 0;
  }

  // Stores one long-value row and returns its page/row pointer.
  std::uint32_t PlaceLval(const std::uint8_t* data, std::size_t len) {
    if (!Lval.Fits(len)) {
      FlushLval();
      Lval.Open(Allocate(), 0, true);
    }
    const std::size_t row = Lval.Place(data, len);
    return (Lval.Number << 8) | static_cast<std::uint32_t>(row);
  }

  // The 12-byte memo field plus, for short values, the value itself.
  void EncodeLongValue(const std::string& data, std::vector<std::uint8_t>& out) {
    std::uint8_t head[kMemoHeader] = {};
    const std::size_t len = data.size();
    if (len > 0x00FFFFFF) throw TJetError("memo value too long");
    Put32(head, static_cast<std::uint32_t>(len));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    if (len <= kInlineLongValue) {
      head[3] = 0x80;
      out.insert(out.end(), head, head + kMemoHeader);
      out.insert(out.end(), bytes, bytes + len);
      return;
    }
    if (len <= kMaxRowBytes) {
      head[3] = 0x40;
      Put32(head + 4, PlaceLval(bytes, len));
    } else {
      // A chain of rows, each starting with the pointer to the next; written
      // from the end so that every row already knows its successor.
      constexpr std::size_t chunk = kMaxRowBytes - 4;
      const std::size_t pieces = (len + chunk - 1) / chunk;
      std::uint32_t next = 0;
      std::vector<std::uint8_t> piece;
      for (std::size_t k = pieces; k-- > 0;) {
        const std::size_t from = k * chunk;
        const std::size_t n = std::min(chunk, len - from);
        piece.assign(4, 0);
        Put32(piece.data(), next);
        piece.insert(piece.end(), bytes + from, bytes + from + n);
        next = PlaceLval(piece.data(), piece.size());
      }
      head[3] = 0x00;
      Put32(head + 4, next);
    }
    out.insert(out.end(), head, head + kMemoHeader);
  }

  void EncodeRow(TTable& t, std::span<const TValue> values) {
    if (values.size() != t.Columns.size()) throw TJetError("row of table " + t.Name + " has a wrong column count");
    const std::size_t n = t.Columns.size();
    const std::size_t maskBytes = (n + 7) / 8;
    Row.assign(2 + t.FixedBytes, 0);
    Put16(Row.data(), static_cast<std::uint32_t>(n));
    Var.clear();
    Offsets.clear();
    std::array<std::uint8_t, 32> mask{};
    for (std::size_t i = 0; i < n; ++i) {
      const TColumn& c = t.Columns[i];
      TValue v = values[i];
      if (c.Def.AutoNumber) {
        if (v.Kind == TValue::TKind::Null) v = TValue::Integer(t.NextAuto);
        if (v.Kind == TValue::TKind::Int) t.NextAuto = std::max(t.NextAuto, v.Int + 1);
      }
      const bool isNull = v.Kind == TValue::TKind::Null;
      if (!isNull) mask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
      if (c.Fixed) {
        if (isNull) continue;
        std::uint8_t* p = Row.data() + 2 + c.FixedOffset;
        const bool integral = c.Def.Type == TColumnType::Byte || c.Def.Type == TColumnType::Integer ||
                              c.Def.Type == TColumnType::Long;
        if (integral && v.Kind != TValue::TKind::Int) throw TJetError("column " + c.Def.Name + " takes an integer");
        if (!integral && v.Kind == TValue::TKind::Text) throw TJetError("column " + c.Def.Name + " takes a number");
        const double real = v.Kind == TValue::TKind::Int ? static_cast<double>(v.Int) : v.Real;
        switch (c.Def.Type) {
          case TColumnType::Byte: p[0] = static_cast<std::uint8_t>(v.Int); break;
          case TColumnType::Integer: Put16(p, static_cast<std::uint32_t>(v.Int)); break;
          case TColumnType::Long: Put32(p, static_cast<std::uint32_t>(v.Int)); break;
          case TColumnType::Single: {
            const float f = static_cast<float>(real);
            std::memcpy(p, &f, 4);
            break;
          }
          default: PutDouble(p, real); break;
        }
        continue;
      }
      Offsets.push_back(static_cast<std::uint16_t>(Var.size()));
      if (isNull) continue;
      if (v.Kind != TValue::TKind::Text) throw TJetError("column " + c.Def.Name + " takes a text");
      switch (c.Def.Type) {
        case TColumnType::Text: {
          const std::u16string units = Utf8ToUtf16(v.Str);
          if (units.size() > static_cast<std::size_t>(c.Def.MaxChars))
            throw TJetError("text too long for column " + c.Def.Name);
          EncodeJet4Text(units, c.Def.Compressed, Encoded);
          Var.insert(Var.end(), Encoded.begin(), Encoded.end());
          break;
        }
        case TColumnType::Memo: {
          const std::u16string units = Utf8ToUtf16(v.Str);
          // Access compresses only values of up to 1024 characters.
          EncodeJet4Text(units, c.Def.Compressed && units.size() <= 1024, Encoded);
          EncodeLongValue(Encoded, Var);
          break;
        }
        case TColumnType::Ole:
          EncodeLongValue(std::string(v.Str), Var);
          break;
        case TColumnType::Binary:
          if (v.Str.size() > static_cast<std::size_t>(c.Def.MaxChars))
            throw TJetError("value too long for column " + c.Def.Name);
          Var.insert(Var.end(), v.Str.begin(), v.Str.end());
          break;
        default:
          break;
      }
    }
    if (t.VarCount > 0) {
      const std::size_t varStart = Row.size();
      Row.insert(Row.end(), Var.begin(), Var.end());
      const std::size_t eod = Row.size();
      // Offset table, stored backwards: end of data, last column ... first column.
      std::uint8_t two[2];
      Put16(two, static_cast<std::uint32_t>(eod));
      Row.insert(Row.end(), two, two + 2);
      for (std::size_t k = Offsets.size(); k-- > 0;) {
        Put16(two, static_cast<std::uint32_t>(varStart + Offsets[k]));
        Row.insert(Row.end(), two, two + 2);
      }
      Put16(two, static_cast<std::uint32_t>(t.VarCount));
      Row.insert(Row.end(), two, two + 2);
    }
    Row.insert(Row.end(), mask.begin(), mask.begin() + static_cast<std::ptrdiff_t>(maskBytes));
    if (Row.size() > kMaxRowBytes) throw TJetError("row too long for a page in table " + t.Name);
    if (Row.size() > 0x1FFF) throw TJetError("row too long");
  }

  void AddRow(TTable& t, std::span<const TValue> values) {
    EncodeRow(t, values);
    if (!t.Current.Fits(Row.size())) {
      FlushTablePage(t);
      const std::uint32_t page = Allocate();
      t.Current.Open(page, t.TdefPage, false);
      t.DataPages.push_back(page);
    }
    t.Current.Place(Row.data(), Row.size());
    ++t.Rows;
  }

  // Writes 0x05 bitmap pages for `pages` and returns a type-1 map row.
  std::vector<std::uint8_t> IndirectMap(const std::vector<std::uint32_t>& pages, std::size_t rowBytes) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    row[0] = 0x01;
    const std::size_t slots = (rowBytes - 1) / 4;
    std::size_t i = 0;
    while (i < pages.size()) {
      const std::size_t slot = pages[i] / kMapPageBits;
      if (slot >= slots) throw TJetError("database file too large for its usage map");
      std::array<std::uint8_t, kPage> bitmap{};
      bitmap[0] = 0x05;
      bitmap[1] = 0x01;
      while (i < pages.size() && pages[i] / kMapPageBits == slot) {
        const std::size_t bit = pages[i] % kMapPageBits;
        bitmap[4 + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
        ++i;
      }
      const std::uint32_t at = Allocate();
      WritePage(at, bitmap.data());
      Put32(&row[1 + 4 * slot], at);
    }
    return row;
  }

  std::vector<std::uint8_t> UsageMap(std::vector<std::uint32_t> pages) {
    std::sort(pages.begin(), pages.end());
    if (pages.empty() || pages.back() - pages.front() < kMapInlineBits) {
      std::vector<std::uint8_t> row(kMapRowBytes, 0);
      const std::uint32_t start = pages.empty() ? 0 : pages.front();
      Put32(&row[1], start);
      for (std::uint32_t p : pages) row[5 + (p - start) / 8] |= static_cast<std::uint8_t>(1u << ((p - start) % 8));
      return row;
    }
    return IndirectMap(pages, kMapRowBytes);
  }

  void WriteTdef(const TTable& t, std::uint32_t usedMap, std::uint32_t freeMap) {
    std::vector<std::uint8_t> d(63, 0);
    d[0] = 0x02;
    d[1] = 0x01;
    Put32(&d[16], static_cast<std::uint32_t>(t.Rows));
    Put32(&d[20], t.HasAuto ? static_cast<std::uint32_t>(t.NextAuto - 1) : 0);
    d[24] = t.HasAuto ? 1 : 0;
    d[40] = t.System ? 0x53 : 0x4E;
    Put16(&d[41], static_cast<std::uint32_t>(t.Columns.size()));
    Put16(&d[43], static_cast<std::uint32_t>(t.VarCount));
    Put16(&d[45], static_cast<std::uint32_t>(t.Columns.size()));
    Put32(&d[55], usedMap);
    Put32(&d[59], freeMap);
    for (std::size_t i = 0; i < t.Columns.size(); ++i) {
      const TColumn& c = t.Columns[i];
      std::uint8_t e[25] = {};
      e[0] = static_cast<std::uint8_t>(c.Def.Type);
      Put16(e + 5, static_cast<std::uint32_t>(i));
      Put16(e + 7, c.Fixed ? 0 : c.VarIndex);
      Put16(e + 9, static_cast<std::uint32_t>(i));
      const bool textual = c.Def.Type == TColumnType::Text || c.Def.Type == TColumnType::Memo;
      if (textual) Put16(e + 11, 0x0409);  // "General" sort order
      e[15] = static_cast<std::uint8_t>((c.Fixed ? 0x01 : 0x00) | 0x02 | (c.Def.AutoNumber ? 0x04 : 0x00));
      e[16] = textual && c.Def.Compressed ? 0x01 : 0x00;
      Put16(e + 21, c.FixedOffset);
      std::uint32_t len = 0;
      if (c.Fixed) len = static_cast<std::uint32_t>(FixedSize(c.Def.Type));
      else if (c.Def.Type == TColumnType::Text) len = static_cast<std::uint32_t>(c.Def.MaxChars * 2);
      else if (c.Def.Type == TColumnType::Binary) len = static_cast<std::uint32_t>(c.Def.MaxChars);
      Put16(e + 23, len);
      d.insert(d.end(), e, e + 25);
    }
    for (const TColumn& c : t.Columns) {
      const std::u16string name = Utf8ToUtf16(c.Def.Name);
      std::uint8_t two[2];
      Put16(two, static_cast<std::uint32_t>(name.size() * 2));
      d.insert(d.end(), two, two + 2);
      for (char16_t u : name) {
        d.push_back(static_cast<std::uint8_t>(u));
        d.push_back(static_cast<std::uint8_t>(u >> 8));
      }
    }
    d.push_back(0xFF);
    d.push_back(0xFF);
    if (d.size() > kPage) throw TJetError("table definition of " + t.Name + " does not fit a page");
    Put32(&d[8], static_cast<std::uint32_t>(d.size()));
    Put16(&d[2], static_cast<std::uint32_t>(kPage - d.size()));
    d.resize(kPage, 0);
    WritePage(t.TdefPage, d.data());
  }

  void WriteHeader() {
    std::array<std::uint8_t, kPage> h{};
    h[1] = 0x01;
    std::memcpy(&h[4], "Standard Jet DB", 16);
    h[kVersionOffset] = 0x01;
    Put16(&h[kCodePageOffset], 1252);
    Put32(&h[kDbKeyOffset], Options.DbKey);
    std::uint8_t pw[kJet4PasswordBytes];
    if (!EncodeJet4Password(Options.Password, Options.CreationDate, pw)) throw TJetError("password too long");
    std::memcpy(&h[kPasswordOffset], pw, sizeof pw);
    Put16(&h[kSortOrderOffset], 0x0409);
    PutDouble(&h[kCreationDateOffset], Options.CreationDate);
    Rc4(kHeaderKey, std::span<std::uint8_t>(&h[kMaskedOffset], kJet4MaskedSize));
    // Plain fields after the masked area, as Access writes them.
    Put16(&h[0x98], 0x0654);
    std::memcpy(&h[0x9C], "4.0", 3);
    WritePage(0, h.data());
  }

  void Finish() {
    FlushLval();
    for (std::size_t i = 1; i < Tables.size(); ++i) FlushTablePage(Tables[i]);

    TTable& catalog = Tables[0];
    for (std::size_t i = 0; i < Tables.size(); ++i) {
      const TTable& t = Tables[i];
      const TValue row[] = {
          TValue::Integer(t.TdefPage),                       // Id
          TValue::Integer(0x0F000001),                       // ParentId: the tables container
          TValue::String(t.Name),                            // Name
          TValue::Integer(1),                                // Type: table
          TValue::Number(Options.CreationDate),              // DateCreate
          TValue::Number(Options.CreationDate),              // DateUpdate
          TValue::Integer(t.System ? static_cast<std::int64_t>(0x80000002u) : 0),  // Flags
          TValue::Null(), TValue::Null(), TValue::Null(),    // Connect, Database, ForeignName
          TValue::Null(), TValue::Null(), TValue::Null(), TValue::Null(),  // Lv, LvProp, LvModule, LvExtra
          TValue::Null(), TValue::Null(), TValue::Null(),    // Owner, RmtInfoShort, RmtInfoLong
      };
      AddRow(catalog, row);
    }
    FlushTablePage(catalog);

    // Usage maps live as rows of their own data page.
    TRowPage maps;
    maps.Open(Allocate(), 0, false);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> mapRows;
    for (const TTable& t : Tables) {
      const std::vector<std::uint8_t> used = UsageMap(t.DataPages);
      const std::vector<std::uint8_t> free = UsageMap({});
      if (!maps.Fits(used.size() + free.size())) throw TJetError("too many tables");
      const std::uint32_t u = (maps.Number << 8) | static_cast<std::uint32_t>(maps.Place(used.data(), used.size()));
      const std::uint32_t f = (maps.Number << 8) | static_cast<std::uint32_t>(maps.Place(free.data(), free.size()));
      mapRows.emplace_back(u, f);
    }
    WritePage(maps.Number, maps.Bytes.data());
    for (std::size_t i = 0; i < Tables.size(); ++i) WriteTdef(Tables[i], mapRows[i].first, mapRows[i].second);

    // The global usage map on page 1 marks every page of the file, including
    // its own bitmap pages, which are allocated first.
    const std::uint32_t before = NextPage;
    const std::uint32_t bitmapPages = (before + static_cast<std::uint32_t>(kMapPageBits)) /
                                      static_cast<std::uint32_t>(kMapPageBits);
    std::vector<std::uint32_t> all;
    all.reserve(before + bitmapPages);
    for (std::uint32_t p = 0; p < before + bitmapPages; ++p) all.push_back(p);
    const std::vector<std::uint8_t> global = IndirectMap(all, kMapRowBytes);
    TRowPage first;
    first.Open(1, 0, false);
    first.Place(global.data(), global.size());
    WritePage(1, first.Bytes.data());

    WriteHeader();
    if (::ftruncate(Fd, static_cast<off_t>(NextPage) * static_cast<off_t>(kPage)) != 0)
      throw TJetError(std::string("cannot size the database file: ") + std::strerror(errno));
    if (::close(Fd) != 0) {
      Fd = -1;
      throw TJetError(std::string("cannot close the database file: ") + std::strerror(errno));
    }
    Fd = -1;
    Finished = true;
  }

  int AddTable(std::string_view name, std::vector<TColumnDef> defs, bool system, std::uint32_t tdefPage) {
    if (Finished) throw TJetError("file already finished");
    if (name.empty() || defs.empty() || defs.size() > 255) throw TJetError("a table needs a name and 1..255 columns");
    for (const TTable& t : Tables)
      if (t.Name == name) throw TJetError("duplicate table " + std::string(name));
    TTable t;
    t.Name = std::string(name);
    t.System = system;
    t.TdefPage = tdefPage ? tdefPage : Allocate();
    for (TColumnDef& d : defs) {
      TColumn c;
      c.Fixed = IsFixed(d.Type);
      if (d.AutoNumber && d.Type != TColumnType::Long) throw TJetError("only a Long column can be an AutoNumber");
      if (d.Type == TColumnType::Text && (d.MaxChars < 1 || d.MaxChars > 255))
        throw TJetError("a Text column holds 1..255 characters");
      if (c.Fixed) {
        c.FixedOffset = static_cast<std::uint16_t>(t.FixedBytes);
        t.FixedBytes += FixedSize(d.Type);
      } else {
        c.VarIndex = static_cast<std::uint16_t>(t.VarCount++);
      }
      t.HasAuto |= d.AutoNumber;
      c.Def = std::move(d);
      t.Columns.push_back(std::move(c));
    }
    Tables.push_back(std::move(t));
    return static_cast<int>(Tables.size() - 1);
  }
};

TJetFileWriter::TJetFileWriter(const std::filesystem::path& path, const TFileOptions& options)
    : impl_(std::make_unique<TImpl>()) {
  impl_->Options = options;
  std::uint8_t probe[kJet4PasswordBytes];
  if (!EncodeJet4Password(options.Password, options.CreationDate, probe)) throw TJetError("password too long");
  impl_->Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (impl_->Fd < 0) throw TJetError("cannot create " + path.string() + ": " + std::strerror(errno));
  using C = TColumnType;
  impl_->AddTable("MSysObjects",
                  {
                      {"Id", C::Long},
                      {"ParentId", C::Long},
                      {"Name", C::Text, 255},
                      {"Type", C::Integer},
                      {"DateCreate", C::DateTime},
                      {"DateUpdate", C::DateTime},
                      {"Flags", C::Long},
                      {"Connect", C::Memo},
                      {"Database", C::Memo},
                      {"ForeignName", C::Text, 255},
                      {"Lv", C::Ole},
                      {"LvProp", C::Ole},
                      {"LvModule", C::Ole},
                      {"LvExtra", C::Ole},
                      {"Owner", C::Binary, 255},
                      {"RmtInfoShort", C::Binary, 255},
                      {"RmtInfoLong", C::Ole},
                  },
                  true, kCatalogPage);
}

TJetFileWriter::~TJetFileWriter() = default;

int TJetFileWriter::AddTable(std::string_view name, std::vector<TColumnDef> columns) {
  return impl_->AddTable(name, std::move(columns), false, 0);
}

void TJetFileWriter::AddRow(int table, std::span<const TValue> values) {
  if (impl_->Finished) throw TJetError("file already finished");
  if (table <= 0 || static_cast<std::size_t>(table) >= impl_->Tables.size()) throw TJetError("no such table");
  impl_->AddRow(impl_->Tables[static_cast<std::size_t>(table)], values);
}

std::uint64_t TJetFileWriter::RowCount(int table) const {
  if (table < 0 || static_cast<std::size_t>(table) >= impl_->Tables.size()) return 0;
  return impl_->Tables[static_cast<std::size_t>(table)].Rows;
}

void TJetFileWriter::Finish() {
  if (impl_->Finished) throw TJetError("file already finished");
  impl_->Finish();
}

}  // namespace vedograf::jet
