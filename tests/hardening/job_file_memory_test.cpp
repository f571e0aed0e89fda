// The job file read with every allocation failing in turn: the program's
// memory message when the file could not be taken in, the read error with
// the entries so far when a line could not be, never a crash or a message
// out of place.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fs_faults.h"
#include "run/form_state.h"
#include "run/job_file.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::faults::TCall;
using test::faults::TPlan;

TEST(JobFileMemory, EachAllocationFailingEndsInItsMessage) {
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "job-memory.txt";
  {
    std::ofstream out(path, std::ios::binary);
    // Valid lines, an unknown token (a message of its own) and a bad date.
    for (int i = 1; i <= 6; ++i) out << "ON" << i << " SD01.03.2010 ST08:00 FD02.03.2010 FT08:00\r\n";
    out << "ON7 XX1 SD01.03.2010\r\nON8 SDxx\r\nON9\n";
  }
  TFormState form;
  const std::string name = path.string();
  auto read = [&](test::TTestServices& services, TPersonalParams& personal) {
    return ReadAutoFile(TJobContext{form, 0.0, name, services}, personal);
  };
  test::TTestServices cleanServices;
  TPersonalParams all;
  ASSERT_EQ(read(cleanServices, all), 0);
  ASSERT_EQ(all.size(), 8u);
  const std::vector<std::string> cleanErrors = cleanServices.Errors();

  int memory = 0, readErrors = 0, absorbed = 0;
  for (int n = 1;; ++n) {
    ASSERT_LT(n, 100000) << "never got through";
    test::TTestServices services;
    TPersonalParams personal;
    TPlan plan;
    plan.Call = TCall::Alloc;
    plan.FailAt = n;
    int status = 0, calls = 0;
    {
      test::faults::TArmed armed(plan);
      status = read(services, personal);
      calls = test::faults::Calls();
    }
    if (calls < n) {
      // Nothing failed: the run was the clean one.
      EXPECT_EQ(status, 0);
      EXPECT_EQ(personal.size(), all.size());
      break;
    }
    SCOPED_TRACE("allocation " + std::to_string(n));
    const std::vector<std::string> errors = services.Errors();
    if (status == 2) {
      ++memory;
      EXPECT_TRUE(personal.empty());
      ASSERT_FALSE(errors.empty());
      EXPECT_EQ(errors.back(), "Недостаточно памяти для работы программы!");
    } else if (status == 1) {
      ++readErrors;
      ASSERT_FALSE(errors.empty());
      EXPECT_EQ(errors.back(), "Ошибка при считывании параметров из файла " + name);
      // What was appended is the file's first entries, whole.
      ASSERT_LE(personal.size(), all.size());
      for (std::size_t i = 0; i < personal.size(); ++i) EXPECT_EQ(personal[i].ObjNum, all[i].ObjNum);
    } else {
      // A failure inside one line's message loses that message at most.
      ASSERT_EQ(status, 0);
      ++absorbed;
      EXPECT_EQ(personal.size(), all.size());
      EXPECT_LE(errors.size(), cleanErrors.size());
    }
  }
  std::printf("job file sweep: %d memory messages, %d read errors, %d absorbed\n", memory, readErrors, absorbed);
  EXPECT_GT(memory, 0);
  EXPECT_GT(readErrors, 0);
}

}  // namespace
}  // namespace vedograf
