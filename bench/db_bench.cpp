// db_bench: opening a log and reading every object's rows, against the floor
// of what libmdb can do and against mdb-export, measured in the same run.
//
//   db_bench [--no-export] [--repeat N] [MILLIONS ...]     (default 1 5 10)
//
// With --repeat the raw scan, the opening and the pass run N times and the
// fastest of each counts: on a shared machine that is the figure least
// disturbed by the neighbours.
//
// Logs of the sample fleet (100 vehicles, 10 s interval) are generated once
// into $VEDOGRAF_BENCH_DIR (default: bench-data beside this program) and kept.
// For each size it prints:
//   raw scan   libmdb's mdb_fetch_row with nothing bound, each row cracked,
//              numbers decoded from the raw bytes, the text made UTF-8
//   mdb-export mdb-export RXLOG > /dev/null
//   open       OpenBase until the object list is ready (worker included)
//   pass       every row of every object through the row source into TRecord
// with the ratios to the raw scan and the peak memory of program and worker.

#include <glib.h>
#include <mdbtools.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/record.h"
#include "core/user_services.h"
#include "db/jet_format.h"
#include "db/open_base.h"
#include "fleet.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Peak resident memory of this process, bytes.
std::uint64_t PeakRss() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.starts_with("VmHWM:")) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  return 0;
}

class TQuietServices : public vedograf::IUserServices {
 public:
  void ShowError(std::string_view text) override { std::fprintf(stderr, "error: %.*s\n", int(text.size()), text.data()); }
  void ShowWarning(std::string_view text) override {
    std::fprintf(stderr, "warning: %.*s\n", int(text.size()), text.data());
  }
  bool AskYesNo(std::string_view) override { return true; }
  vedograf::TAnswer AskYesNoAll(std::string_view) override { return vedograf::TAnswer::Yes; }
  std::optional<std::string> AskPassword() override { return std::nullopt; }
  void ShowWait(vedograf::TWaitMode, std::string_view) override {}
  void SetWaitProgress(int, int) override {}
  void CloseWait() override {}
  void PumpMessages() override {}
};

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The floor: libmdb reading every row, nothing converted by the library.
std::uint64_t RawScan(const std::string& path, double& checksum) {
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!mdb || !mdb_read_catalog(mdb, MDB_TABLE)) return 0;
  MdbTableDef* t = mdb_read_table_by_name(mdb, const_cast<char*>("RXLOG"), MDB_TABLE);
  if (!t || !mdb_read_columns(t)) return 0;
  mdb_rewind_table(t);
  std::vector<MdbField> fields(t->num_cols);
  std::string text;
  std::uint64_t rows = 0;
  checksum = 0;
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
    const std::int32_t recNo = fields[0].is_null ? 0 : static_cast<std::int32_t>(Le32(pg + fields[0].start));
    const std::int32_t flags = fields[5].is_null ? 0 : static_cast<std::int32_t>(Le32(pg + fields[5].start));
    const double v = dbl(4) + dbl(7) + dbl(8) + dbl(10);
    if (!fields[2].is_null && fields[2].siz > 0)
      vedograf::jet::DecodeJet4Text({pg + fields[2].start, static_cast<std::size_t>(fields[2].siz)}, text);
    else
      text.clear();
    checksum += v + recNo + flags + static_cast<double>(text.size());
    ++rows;
  }
  mdb_free_tabledef(t);
  mdb_close(mdb);
  return rows;
}

struct TOurs {
  double Open = 0, Pass = 0;
  std::uint64_t Rows = 0, Objects = 0, HeldBytes = 0, PeakProgram = 0, PeakWorker = 0, Baseline = 0;
};

// Runs in a child process of its own so the peak memory is this run's.
TOurs MeasureOurs(const std::string& path) {
  int p[2];
  if (::pipe(p) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(p[0]);
    TOurs r;
    r.Baseline = PeakRss();
    TQuietServices ui;
    vedograf::db::TBaseState state;
    auto t0 = Clock::now();
    if (vedograf::db::OpenBase(path, ui, state) == 0) {
      r.Open = Seconds(t0);
      rusage ru{};
      ::getrusage(RUSAGE_CHILDREN, &ru);
      r.PeakWorker = static_cast<std::uint64_t>(ru.ru_maxrss) * 1024;
      r.Objects = state.Objects.size();
      r.HeldBytes = state.Database->HeldBytes();
      vedograf::TRecord rec;
      auto& db = *state.Database;
      t0 = Clock::now();
      for (const auto& obj : state.Objects) {
        db.SetFilterText("MOBILE = " + std::to_string(obj.Number));
        db.SetTimeWindow(-1e9, 1e9);
        db.SetFiltered(true);
        for (db.First(); !db.Eof(); db.Next()) {
          vedograf::DecodeRow(db, true, rec);
          ++r.Rows;
        }
        db.SetFiltered(false);
      }
      r.Pass = Seconds(t0);
      r.PeakProgram = PeakRss();
    }
    (void)!::write(p[1], &r, sizeof r);
    ::_exit(0);
  }
  ::close(p[1]);
  TOurs r;
  if (::read(p[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r = {};
  ::close(p[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return r;
}

std::string EnsureLog(const std::filesystem::path& dir, std::uint64_t rows) {
  std::filesystem::create_directories(dir);
  const auto path = dir / ("fleet-" + std::to_string(rows) + ".mdb");
  if (std::filesystem::exists(path)) return path.string();
  vedograf::jet::TFleetOptions o;
  o.Objects = 100;
  o.IntervalSeconds = 10;
  o.Days = 1000;
  o.MaxRows = rows;
  const auto t0 = Clock::now();
  const auto tmp = path.string() + ".part";
  vedograf::jet::WriteFleetDatabase(tmp, o);
  std::filesystem::rename(tmp, path);
  std::printf("  (generated %s in %.1f s)\n", path.c_str(), Seconds(t0));
  return path.string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<double> millions;
  bool runExport = true;  // --no-export: a quick look without the slow peer
  int repeat = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-export") == 0) runExport = false;
    else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) repeat = std::max(1, std::atoi(argv[++i]));
    else millions.push_back(std::atof(argv[i]));
  }
  if (millions.empty()) millions = {1, 5, 10};
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  const char* env = std::getenv("VEDOGRAF_BENCH_DIR");
  const std::filesystem::path dir = env ? std::filesystem::path(env) : self / "bench-data";

  for (double m : millions) {
    const auto rows = static_cast<std::uint64_t>(m * 1e6);
    std::printf("log of %llu rows\n", static_cast<unsigned long long>(rows));
    const std::string path = EnsureLog(dir, rows);
    const auto fileSize = std::filesystem::file_size(path);

    double checksum = 0;
    double raw = 1e300;
    std::uint64_t rawRows = 0;
    for (int k = 0; k < repeat; ++k) {
      const auto t = Clock::now();
      rawRows = RawScan(path, checksum);
      raw = std::min(raw, Seconds(t));
    }
    auto t0 = Clock::now();

    t0 = Clock::now();
    const int rc = runExport ? std::system(("mdb-export '" + path + "' RXLOG >/dev/null").c_str()) : -1;
    const double exportTime = Seconds(t0);

    TOurs ours = MeasureOurs(path);
    for (int k = 1; k < repeat; ++k) {
      const TOurs again = MeasureOurs(path);
      ours.Open = std::min(ours.Open, again.Open);
      ours.Pass = std::min(ours.Pass, again.Pass);
    }
    const double perRow = static_cast<double>(ours.PeakProgram - ours.Baseline) / static_cast<double>(rows);
    const double beyond = (static_cast<double>(ours.PeakProgram - ours.Baseline) - static_cast<double>(fileSize)) /
                          static_cast<double>(rows);
    std::printf("  file %.0f MB, %llu objects, raw scan read %llu rows (checksum %.6g)\n", fileSize / 1e6,
                static_cast<unsigned long long>(ours.Objects), static_cast<unsigned long long>(rawRows), checksum);
    std::printf("  raw scan   %7.2f s\n", raw);
    if (runExport)
      std::printf("  mdb-export %7.2f s  %5.2f x raw%s\n", exportTime, exportTime / raw, rc ? "  (failed)" : "");
    std::printf("  open       %7.2f s  %5.2f x raw   (target <= 1.5)\n", ours.Open, ours.Open / raw);
    std::printf("  pass       %7.2f s  %5.2f x raw   (target <= 2.0; %.1f x faster than mdb-export), %llu rows\n",
                ours.Pass, ours.Pass / raw, exportTime / ours.Pass, static_cast<unsigned long long>(ours.Rows));
    std::printf("  open+pass  %7.2f s  %5.2f x raw\n", ours.Open + ours.Pass, (ours.Open + ours.Pass) / raw);
    std::printf("  memory     program peak %.0f MB (%.1f bytes/row, %.1f beyond the file size), held %.1f bytes/row, "
                "worker peak %.0f MB\n",
                (ours.PeakProgram - ours.Baseline) / 1e6, perRow, beyond,
                static_cast<double>(ours.HeldBytes) / static_cast<double>(rows), ours.PeakWorker / 1e6);
    std::fflush(stdout);
  }
  return 0;
}
