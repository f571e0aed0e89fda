// The template / workbook loader on arbitrary bytes (a zip of XML parts).
// A file that is no workbook must end in the open error; one that opens must
// take the walk over its sheets, names, cells and charts the writers make,
// and be saved.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/errors.h"
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

}  // namespace

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
  // What we save we can open again.
  try {
    FUZZ_CHECK(TWorkbook::Open(out) != nullptr);
  } catch (const TOleError&) {
    fuzz::Fail("a saved workbook does not open");
  }
  return 0;
}
