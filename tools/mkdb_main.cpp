// vedograf-mkdb: writes a log database from tab-separated lines on standard
// input, for scripts and hand-made test cases.
//
//   L <recno> <mobile> <date> <flags> <lon> <lat> <speed> <text>
//   A <number> <name>
//
// <date> is a day-based date-time (days since 30.12.1899, UTC); an empty
// field of a number, or "\N", writes NULL. The text runs to the end of the line.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "log_file.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: vedograf-mkdb [--memo] [--no-compress] [--password P] [--created DAYS] OUT.mdb < rows.tsv\n");
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

}  // namespace

int main(int argc, char** argv) {
  using namespace vedograf::jet;
  TLogFileOptions options;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--memo") options.MemoText = true;
    else if (a == "--no-compress") options.Compressed = false;
    else if (a == "--password" && i + 1 < argc) options.Password = argv[++i];
    else if (a == "--created" && i + 1 < argc) options.CreationDate = std::strtod(argv[++i], nullptr);
    else if (!a.empty() && a[0] != '-' && out.empty()) out = a;
    else {
      Usage();
      return 2;
    }
  }
  if (out.empty()) {
    Usage();
    return 2;
  }
  try {
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
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vedograf-mkdb: %s\n", e.what());
    return 1;
  }
  return 0;
}
