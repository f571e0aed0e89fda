// The template / workbook loader on arbitrary bytes (a zip of XML parts).
// A file that is no workbook must end in the open error; one that opens must
// take the walk over its sheets, names, cells and charts the writers make,
// and be saved as a workbook the checker finds sound in everything the engine
// answers for (what it only carries over from the input is the input's own).

#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "../support/workbook_check.h"
#include "fuzz_util.h"
#include "sheet/workbook.h"

namespace {

std::filesystem::path gSaveDir;

void Walk(vedograf::TWorkbook& book) {
  using namespace vedograf;
  for (const auto& [name, ref] : book.Names()) {
    try {
      TRange r = book.Range(name);
      (void)r.Value();
      (void)r.FormulaR1C1();
      r.Offset(1).SetValue(TValue(std::string("x")));
    } catch (const TOleError&) {
    }
  }
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    TWorksheet& ws = book.Worksheets(i);
    for (int row = 1; row <= 12; ++row) {
      for (int col = 1; col <= 8; ++col) {
        TRange c = ws.Cells(row, col);
        (void)c.Value();
        try {
          (void)c.Formula();
        } catch (const TOleError&) {
        }
      }
    }
    try {
      ws.Cells(3, 2).SetValue(TValue(42.5));
      ws.Cells(4, 2).SetFormulaR1C1("=R[-1]C*2");
      ws.Rows(3).AutoFill(ws.Range(ws.Rows(3), ws.Rows(6)), 1);
    } catch (const TOleError&) {
    }
  }
  // Counted first: each copy adds a chart.
  const int charts = book.ChartCount();
  for (int i = 1; i <= charts; ++i) {
    TChart& ch = book.Charts(i);
    try {
      for (int s = 1; s <= ch.SeriesCount(); ++s) {
        (void)ch.SeriesCollection(s).ValuesRef();
      }
      if (ch.HasTitle()) (void)ch.TitleText();
      if (i == 1) ch.Copy();
    } catch (const TOleError&) {
    }
  }
}

using TEntries = std::vector<std::pair<std::string, std::string>>;

// The entries of a zip held in memory; false when it is none.
bool Unzip(const std::uint8_t* data, std::size_t size, TEntries& out) {
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* src = zip_source_buffer_create(data, size, 0, &err);
  zip_t* z = src != nullptr ? zip_open_from_source(src, ZIP_RDONLY, &err) : nullptr;
  zip_error_fini(&err);
  if (z == nullptr) {
    if (src != nullptr) zip_source_free(src);
    return false;
  }
  const zip_int64_t n = zip_get_num_entries(z, 0);
  bool ok = n > 0 && n < 200;
  for (zip_int64_t i = 0; ok && i < n; ++i) {
    const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
    zip_file_t* f = name != nullptr ? zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0) : nullptr;
    if (f == nullptr) {
      ok = false;
      break;
    }
    std::string text;
    char buf[8192];
    zip_int64_t got = 0;
    while ((got = zip_fread(f, buf, sizeof buf)) > 0 && text.size() < (1u << 20)) text.append(buf, static_cast<std::size_t>(got));
    ok = got >= 0;
    zip_fclose(f);
    out.emplace_back(name, std::move(text));
  }
  zip_discard(z);
  return ok;
}

// The entries as a zip of stored (uncompressed) entries, so that the byte
// mutations of later rounds land in the XML rather than in a deflate stream.
bool Zip(const TEntries& entries, std::vector<std::uint8_t>& out) {
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &err);
  zip_t* z = src != nullptr ? zip_open_from_source(src, ZIP_TRUNCATE, &err) : nullptr;
  zip_error_fini(&err);
  if (z == nullptr) {
    if (src != nullptr) zip_source_free(src);
    return false;
  }
  zip_source_keep(src);
  bool ok = true;
  for (const auto& [name, data] : entries) {
    zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
    const zip_int64_t idx = s != nullptr ? zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE) : -1;
    if (idx < 0) {
      if (s != nullptr) zip_source_free(s);
      ok = false;
      break;
    }
    zip_set_file_compression(z, static_cast<zip_uint64_t>(idx), ZIP_CM_STORE, 0);
  }
  if (!ok || zip_close(z) != 0) {
    zip_discard(z);
    zip_source_free(src);
    return false;
  }
  out.clear();
  if (zip_source_open(src) == 0) {
    std::uint8_t buf[8192];
    for (zip_int64_t got; (got = zip_source_read(src, buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + got);
    zip_source_close(src);
  }
  zip_source_free(src);
  return !out.empty();
}

}  // namespace

// libFuzzer's own byte mutator; absent (null) in the plain replay program,
// which never calls the custom mutator below.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max);

// A byte flip anywhere in a deflated zip only breaks its checksum, so most
// mutations are unpacked, applied to one entry (or its name) and packed
// again; the rest go to the raw bytes to keep the container itself fuzzed.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
  TEntries entries;
  if (seed % 8 == 0 || !Unzip(data, size, entries)) return LLVMFuzzerMutate(data, size, maxSize);
  auto& [name, text] = entries[(seed / 8) % entries.size()];
  std::string& target = seed % 16 == 1 ? name : text;
  const std::size_t used = target.size();
  target.resize(used + 64 + used / 8);
  target.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(target.data()), used, target.size()));
  if (name.empty()) name = "x";
  std::vector<std::uint8_t> packed;
  if (!Zip(entries, packed) || packed.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  std::copy(packed.begin(), packed.end(), data);
  return packed.size();
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/vedograf-fuzz-wb-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) std::abort();
  gSaveDir = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(gSaveDir, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vedograf;
  const fuzz::TMemFile file(data, size);
  std::unique_ptr<TWorkbook> book;
  try {
    book = TWorkbook::Open(file.Path());
  } catch (const TOleError& e) {
    FUZZ_CHECK(e.Code() == kErrFileOpen);
    return 0;
  }
  FUZZ_CHECK(book != nullptr);
  try {
    Walk(*book);
  } catch (const TOleError&) {
  }
  const std::filesystem::path out = gSaveDir / "out.xlsx";
  try {
    book->SaveAs(out);
  } catch (const TOleError&) {
    return 0;
  }
  const std::vector<std::string> problems = test::CheckWorkbook(out, {.Carried = false});
  if (!problems.empty()) fuzz::Fail(("a saved workbook is unsound: " + problems.front()).c_str());
  // What we save we can open again.
  try {
    FUZZ_CHECK(TWorkbook::Open(out) != nullptr);
  } catch (const TOleError&) {
    fuzz::Fail("a saved workbook does not open");
  }
  return 0;
}
