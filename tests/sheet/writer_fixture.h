#pragma once
// A workbook opened from the built template plus hand-made report results,
// for driving one sheet writer and reading its cells back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "areas/control_point.h"
#include "calc/buffers.h"
#include "calc/obj_report.h"
#include "core/datetime.h"
#include "sheet/sheet_writers.h"
#include "sheet/workbook.h"
#include "sheet/workbook_impl.h"
#include "support/valid_workbook.h"

namespace vedograf::test {

template <class T>
void Put(TArray<T>& array, std::int32_t& count, const std::vector<T>& records) {
  ASSERT_TRUE(array.CopyFrom(TMemory::Default(), records.data(), records.size()));
  count = static_cast<std::int32_t>(records.size());
}

class TWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = TWorkbook::Open(VEDOGRAF_TEMPLATE_PATH);
    objects.reserve(300);  // AddObject hands out references
    current.Begin = EncodeDateTime(2011, 3, 1, 0, 0);
    current.End = EncodeDateTime(2011, 3, 3, 23, 59, 59);
  }

  // Whatever the writers left is saved and held against the workbook checker.
  void TearDown() override {
    if (!book || HasFatalFailure()) return;
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("vedograf_writer_" + std::to_string(::getpid()) + "_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".xlsx");
    try {
      book->SaveAs(file);
      ExpectValidWorkbook(file);
    } catch (const TOleError& e) {
      ADD_FAILURE() << "saving what the writers left failed: " << e.what();
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
  }

  TObjReport& AddObject(std::int32_t number, std::string name = {}, bool inReport = true) {
    TObjReport& obj = objects.emplace_back();
    obj.Number = number;
    obj.Name = std::move(name);
    obj.Chosen = obj.InReport = inReport;
    return obj;
  }

  // Runs a writer over the objects as they are now.
  template <class Writer>
  void Run(Writer writer) {
    int reportCount = 0;
    for (const TObjReport& o : objects) reportCount += o.InReport ? 1 : 0;
    const TRunView view{objects, current, req, buffers, &areas};
    const TSheetJob job{*book, view, static_cast<int>(objects.size()), reportCount, names};
    writer(job);
  }

  TValue Cell(const std::string& name, int row) { return book->Range(name).Offset(row).Value(); }
  std::string Text(const std::string& name, int row) {
    const TValue v = Cell(name, row);
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return std::holds_alternative<std::monostate>(v) ? "" : "<not text>";
  }
  double Number(const std::string& name, int row) {
    const TValue v = Cell(name, row);
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* f = std::get_if<float>(&v)) return *f;
    if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
    ADD_FAILURE() << name << "[" << row << "] is no number";
    return -1e300;
  }
  bool Empty(const std::string& name, int row) { return std::holds_alternative<std::monostate>(Cell(name, row)); }
  std::string Formula(const std::string& name, int row) { return book->Range(name).Offset(row).FormulaR1C1(); }

  // Rows the sheet preparation made: the data row's formatted first cell is
  // repeated on every prepared row and on none below.
  int PreparedRows(const std::string& firstCell) {
    TRange first = book->Range(firstCell);
    TWorksheet& sheet = first.Worksheet();
    const TCell* data = sheet.Impl().FindCell(first.Row(), first.Column());
    if (data == nullptr) return -1;
    int rows = 1;
    while (true) {
      const TCell* c = sheet.Impl().FindCell(first.Row() + rows, first.Column());
      if (c == nullptr || c->Style != data->Style) return rows;
      ++rows;
    }
  }

  std::unique_ptr<TWorkbook> book;
  TObjReports objects;
  TReportParams current;
  TRequestParams req;
  TEventBuffers buffers;
  TControlPointList areas;
  TInputNames names = DefaultInputNames();
};

}  // namespace vedograf::test
