// vedograf-mkdb: writes log databases (Access Jet 4 files with the tables
// RXLOG and ADDRESS of the dispatch software) for tests, benchmarks, the
// bundled sample and scripts.
//
// The sample fleet (deterministic: the same options give the same file):
//
//   vedograf-mkdb --fleet [--objects N] [--days N] [--start YYYY-MM-DD]
//                 [--interval SECONDS] [--seed N] [--rows N] [--plain]
//                 [--areas BASE] [file options] OUT.mdb
//
//     --objects   vehicles (default 8), numbered 101, 102, ...
//     --days      days logged (default 3) from --start (default 2024-03-04)
//     --interval  report interval while driving (default 30 s)
//     --rows      stop after this many log rows
//     --plain     leave out the oddities: the unnamed vehicle, the named
//                 objects without rows, the MOBILE <= 0 rows
//     --areas     also write BASE.mrk and BASE.obj with the fleet's areas
//
// Rows given as tab-separated lines on standard input:
//
//   vedograf-mkdb [file options] OUT.mdb < rows.tsv
//
//     L <recno> <mobile> <date> <flags> <lon> <lat> <speed> <text>
//     A <number> <name>
//
//   <date> is a day-based date-time (days since 30.12.1899, UTC); an empty
//   number field, or "\N", writes NULL. The text runs to the end of the line;
//   "\N" there writes NULL, as does a missing name of an A line.
//
// File options: --memo (column 2 as Memo instead of Text(255)),
// --no-compress (no Unicode compression of texts), --password P (at most 20
// characters), --encrypt KEY (RC4-encoded pages, KEY a non-zero number),
// --created DAYS (the creation date in the header, which masks the password).
//
// Exit status: 0 done, 1 the file could not be written, 2 bad command line.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fleet.h"
#include "log_file.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: vedograf-mkdb [--memo] [--no-compress] [--password P] [--encrypt KEY] [--created DAYS]\n"
               "                     OUT.mdb < rows.tsv\n"
               "       vedograf-mkdb --fleet [--objects N] [--days N] [--start YYYY-MM-DD] [--interval S]\n"
               "                     [--seed N] [--rows N] [--plain] [--areas BASE] [file options] OUT.mdb\n");
}

std::vector<std::string> SplitTabs(const std::string& line, std::size_t maxFields) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (out.size() + 1 < maxFields) {
    const std::size_t tab = line.find('\t', from);
    if (tab == std::string::npos) break;
    out.push_back(line.substr(from, tab - from));
    from = tab + 1;
  }
  out.push_back(line.substr(from));
  return out;
}

bool IsNull(const std::string& f) { return f.empty() || f == "\\N"; }

bool ParseNumber(const char* s, long long min, long long max, long long& out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s, &end, 0);
  if (errno != 0 || end == s || *end != '\0' || v < min || v > max) return false;
  out = v;
  return true;
}

void WriteRows(const std::string& out, const vedograf::jet::TLogFileOptions& options) {
  using namespace vedograf::jet;
  TLogFileWriter writer(out, options);
  std::string line;
  std::size_t lineNo = 0;
  while (std::getline(std::cin, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == 'A') {
      const auto f = SplitTabs(line, 3);
      if (f.size() < 2) throw TJetError("line " + std::to_string(lineNo) + ": A needs a number");
      if (f.size() < 3 || f[2] == "\\N") writer.AddAddressWithoutName(std::atoi(f[1].c_str()));
      else writer.AddAddress(std::atoi(f[1].c_str()), f[2]);
    } else if (line[0] == 'L') {
      const auto f = SplitTabs(line, 9);
      if (f.size() < 9) throw TJetError("line " + std::to_string(lineNo) + ": L needs 8 fields");
      TLogRow r;
      auto num = [&](std::size_t i, int column, double& dst) {
        if (IsNull(f[i])) r.NullMask |= 1u << column;
        else dst = std::strtod(f[i].c_str(), nullptr);
      };
      auto integer = [&](std::size_t i, int column, std::int32_t& dst) {
        if (IsNull(f[i])) r.NullMask |= 1u << column;
        else dst = static_cast<std::int32_t>(std::strtol(f[i].c_str(), nullptr, 10));
      };
      integer(1, kLogId, r.RecNo);
      integer(2, kLogMobile, r.Mobile);
      num(3, kLogDate, r.Time);
      integer(4, kLogFlags, r.Flags);
      num(5, kLogLon, r.Lon);
      num(6, kLogLat, r.Lat);
      num(7, kLogSpeed, r.Speed);
      if (f[8] == "\\N") r.NullMask |= 1u << kLogText;
      else r.Text = f[8];
      writer.AddLog(r);
    } else {
      throw TJetError("line " + std::to_string(lineNo) + ": unknown record kind");
    }
  }
  writer.Finish();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vedograf::jet;
  TLogFileOptions file;
  TFleetOptions fleet;
  bool makeFleet = false;
  std::string out, areas;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    long long v = 0;
    auto number = [&](long long min, long long max) { return hasValue && ParseNumber(argv[++i], min, max, v); };
    bool ok = true;
    if (a == "--memo") file.MemoText = true;
    else if (a == "--no-compress") file.Compressed = false;
    else if (a == "--password" && hasValue) file.Password = argv[++i];
    else if (a == "--created" && hasValue) file.CreationDate = std::strtod(argv[++i], nullptr);
    else if (a == "--encrypt") ok = number(1, 0xFFFFFFFFll), file.DbKey = static_cast<std::uint32_t>(v);
    else if (a == "--fleet") makeFleet = true;
    else if (a == "--objects") ok = number(0, 100000), fleet.Objects = static_cast<int>(v);
    else if (a == "--days") ok = number(0, 36600), fleet.Days = static_cast<int>(v);
    else if (a == "--interval") ok = number(1, 86400), fleet.IntervalSeconds = static_cast<int>(v);
    else if (a == "--seed") ok = number(0, 0xFFFFFFFFll), fleet.Seed = static_cast<std::uint32_t>(v);
    else if (a == "--rows") ok = number(1, 4000000000ll), fleet.MaxRows = static_cast<std::uint64_t>(v);
    else if (a == "--plain") fleet.Oddities = false;
    else if (a == "--areas" && hasValue) areas = argv[++i];
    else if (a == "--start" && hasValue) {
      ok = std::sscanf(argv[++i], "%d-%d-%d", &fleet.Year, &fleet.Month, &fleet.Day) == 3 && fleet.Month >= 1 &&
           fleet.Month <= 12 && fleet.Day >= 1 && fleet.Day <= 31 && fleet.Year >= 1900 && fleet.Year <= 9999;
    } else if (!a.empty() && a[0] != '-' && out.empty()) out = a;
    else ok = false;
    if (!ok) {
      Usage();
      return 2;
    }
  }
  if (out.empty() || (!makeFleet && !areas.empty())) {
    Usage();
    return 2;
  }
  try {
    if (makeFleet) {
      fleet.MemoText = file.MemoText;
      fleet.Password = file.Password;
      fleet.DbKey = file.DbKey;
      const TFleetStats s = WriteFleetDatabase(out, fleet);
      if (!areas.empty()) WriteFleetAreas(areas + ".mrk", areas + ".obj", fleet);
      std::fprintf(stderr, "vedograf-mkdb: %s: %llu rows (%llu navigation, %llu input), %llu fills, %llu drains\n",
                   out.c_str(), static_cast<unsigned long long>(s.Rows),
                   static_cast<unsigned long long>(s.NavigationRows), static_cast<unsigned long long>(s.InputRows),
                   static_cast<unsigned long long>(s.Fills), static_cast<unsigned long long>(s.Drains));
    } else {
      WriteRows(out, file);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vedograf-mkdb: %s\n", e.what());
    return 1;
  }
  return 0;
}
