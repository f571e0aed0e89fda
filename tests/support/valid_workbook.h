#pragma once
// The workbook checker as a GoogleTest expectation.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/workbook_check.h"

namespace vedograf::test {

// Adds a test failure listing the problems of the saved workbook, if any.
inline void ExpectValidWorkbook(const std::filesystem::path& file) {
  const std::vector<std::string> problems = CheckWorkbook(file);
  std::string text;
  for (const std::string& p : problems) text += "\n  " + p;
  EXPECT_TRUE(problems.empty()) << file << " is no valid workbook:" << text;
}

}  // namespace vedograf::test
