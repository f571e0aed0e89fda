#pragma once
// Shared by the workbook engine tests: the built template, scratch folders
// and a look into saved packages.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "sheet/workbook.h"
#include "sheet/workbook_output.h"
#include "sheet/zip_io.h"
#include "support/valid_workbook.h"

namespace vedograf::test {

inline std::filesystem::path TemplatePath() { return FindTemplate("Отчет.xltx"); }

// A fresh folder removed at the end of the test.
class TScratch {
 public:
  TScratch() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("vedograf_sheet_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::map<std::string, std::string> Parts(const std::filesystem::path& file) { return ReadZip(file); }

// Saves and holds the file against the workbook checker.
inline void SaveChecked(TWorkbook& book, const std::filesystem::path& file) {
  book.SaveAs(file);
  ExpectValidWorkbook(file);
}

// Saves and opens again: what a reader of the file gets.
inline std::unique_ptr<TWorkbook> Reopen(TWorkbook& book, const std::filesystem::path& file) {
  SaveChecked(book, file);
  return TWorkbook::Open(file);
}

inline double Num(const TValue& v) {
  if (const double* d = std::get_if<double>(&v)) return *d;
  if (const float* f = std::get_if<float>(&v)) return *f;
  if (const std::int32_t* i = std::get_if<std::int32_t>(&v)) return *i;
  ADD_FAILURE() << "not a number, variant index " << v.index();
  return 0;
}
inline std::string Text(const TValue& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  ADD_FAILURE() << "not a text, variant index " << v.index();
  return {};
}

}  // namespace vedograf::test
