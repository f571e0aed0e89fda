// raw_scan: the floor for reading a log database — libmdb's mdb_fetch_row over
// every row of RXLOG with nothing bound, each row cracked, the numbers taken
// from the raw bytes and the text made UTF-8. Nothing can read the table
// faster through libmdb, so the report benchmark measures against it.
//
//   raw_scan FILE.mdb      prints the rows read and a checksum
//
// Exit status: 0 done, 1 the file or the table could not be read.

#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db/jet_format.h"

namespace {

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: raw_scan FILE.mdb\n");
    return 1;
  }
  MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
  if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE)) {
    std::fprintf(stderr, "raw_scan: %s: not a readable database\n", argv[1]);
    return 1;
  }
  MdbTableDef* t = mdb_read_table_by_name(mdb, const_cast<char*>("RXLOG"), MDB_TABLE);
  if (!t || !mdb_read_columns(t) || t->num_cols < 11) {
    std::fprintf(stderr, "raw_scan: %s: no log table\n", argv[1]);
    return 1;
  }
  mdb_rewind_table(t);
  std::vector<MdbField> fields(t->num_cols);
  std::string text;
  std::uint64_t rows = 0;
  double checksum = 0;
  while (mdb_fetch_row(t)) {
    int start = 0;
    size_t len = 0;
    if (mdb_find_row(mdb, static_cast<int>(t->cur_row) - 1, &start, &len) != 0) continue;
    if (mdb_crack_row(t, start & 0x1FFF, len, fields.data()) < 0) continue;
    const unsigned char* pg = mdb->pg_buf;
    auto dbl = [&](int c) {
      double v = 0;
      if (!fields[c].is_null && fields[c].siz >= 8) std::memcpy(&v, pg + fields[c].start, 8);
      return v;
    };
    const auto recNo = fields[0].is_null ? 0 : static_cast<std::int32_t>(Le32(pg + fields[0].start));
    const auto flags = fields[5].is_null ? 0 : static_cast<std::int32_t>(Le32(pg + fields[5].start));
    if (!fields[2].is_null && fields[2].siz > 0)
      vedograf::jet::DecodeJet4Text({pg + fields[2].start, static_cast<std::size_t>(fields[2].siz)}, text);
    else
      text.clear();
    checksum += dbl(4) + dbl(7) + dbl(8) + dbl(10) + recNo + flags + static_cast<double>(text.size());
    ++rows;
  }
  mdb_free_tabledef(t);
  mdb_close(mdb);
  std::printf("%llu rows, checksum %.9g\n", static_cast<unsigned long long>(rows), checksum);
  return 0;
}
