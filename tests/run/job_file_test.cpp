// The command line and the job file of unattended runs.

#include "run/job_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/datetime.h"
#include "run/form_state.h"
#include "run/request.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

using test::TTestServices;

TEST(CommandLineTest, SwitchesIgnoreCaseAndTrailingFile) {
  TCommandLine cl = ProcessCommandLine({"-AUTO", "x", "-File", "job.txt"});
  EXPECT_TRUE(cl.AutoMode);
  EXPECT_TRUE(cl.AutoFileGiven);
  EXPECT_EQ(cl.AutoFileName, "job.txt");

  cl = ProcessCommandLine({"-Auto", "-file"});
  EXPECT_TRUE(cl.AutoMode);
  EXPECT_FALSE(cl.AutoFileGiven);
  EXPECT_EQ(cl.AutoFileName, "");

  // The argument after -file is examined too.
  cl = ProcessCommandLine({"-file", "-auto"});
  EXPECT_TRUE(cl.AutoMode);
  EXPECT_EQ(cl.AutoFileName, "-auto");
  EXPECT_FALSE(ProcessCommandLine({}).AutoMode);
}

class DecodeTest : public ::testing::Test {
 protected:
  DecodeTest() {
    form.SDDateTimePicker = EncodeDateTime(2010, 1, 10, 13, 0);  // the time part is not used
    form.STDateTimePicker = EncodeDateTime(2001, 1, 1, 6, 0);
    form.FDDateTimePicker = EncodeDate(2010, 1, 11);
    form.FTDateTimePicker = EncodeDateTime(2001, 1, 1, 7, 0);
  }
  bool Decode(std::string_view line) {
    const TJobContext ctx{form, bias, "job.txt", services};
    params = {};
    return DecodeParams(line, ctx, params);
  }
  TFormState form;
  double bias = 3.0 / 24;
  TTestServices services;
  TReportParams params;
};

TEST_F(DecodeTest, FullLineInAnyOrderAndCase) {
  ASSERT_TRUE(Decode("fd02.03.2010 ON12 sD01.03.2010 St08:00 FT08:30:15"));
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(params.ObjNum, 12);
  EXPECT_DOUBLE_EQ(params.Begin, EncodeDateTime(2010, 3, 1, 8, 0) - bias);
  EXPECT_DOUBLE_EQ(params.End, EncodeDateTime(2010, 3, 2, 8, 30, 15) - bias);
}

TEST_F(DecodeTest, MissingFieldsTakeThePickers) {
  ASSERT_TRUE(Decode("on5"));
  EXPECT_EQ(params.ObjNum, 5);
  EXPECT_DOUBLE_EQ(params.Begin, EncodeDateTime(2010, 1, 10, 6, 0) - bias);
  EXPECT_DOUBLE_EQ(params.End, EncodeDateTime(2010, 1, 11, 7, 0) - bias);
}

TEST_F(DecodeTest, UnknownTokensAreToldButTheLineStays) {
  ASSERT_TRUE(Decode("XY12 ON7 ON"));
  EXPECT_EQ(params.ObjNum, 7);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Неизвестный параметр \"XY12\"\r\nв файле job.txt",
                                                         "Неизвестный параметр \"ON\"\r\nв файле job.txt"}));
  // Tokens after the fifth are ignored.
  services.shown.clear();
  EXPECT_TRUE(Decode("ON1 SD1.1.2010 ST1:00 FD2.1.2010 FT1:00 QQQ"));
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(DecodeTest, InvalidLines) {
  EXPECT_FALSE(Decode(""));
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Не определен номер объекта \"\""}));

  services.shown.clear();
  EXPECT_FALSE(Decode("ON0"));
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Не определен номер объекта \"0\""}));

  services.shown.clear();
  EXPECT_FALSE(Decode("ON12 SD31.02.2010 FT25:00"));
  EXPECT_EQ(services.Errors(),
            (std::vector<std::string>{"Нeвозможно декодировать дату \"31.02.2010\" для объекта №12\r\nв файле job.txt",
                                      "Нeвозможно декодировать время \"25:00\" для объекта №12\r\nв файле job.txt"}));
  // The second letter of both messages is a Latin e.
  EXPECT_EQ(services.Errors()[0].substr(2, 1), "e");

  services.shown.clear();
  EXPECT_FALSE(Decode("ONx SDbad"));
  EXPECT_EQ(services.Errors().back(), "Нeвозможно декодировать дату \"bad\" для объекта №0\r\nв файле job.txt");
}

TEST(ReadAutoFileTest, AppendsValidLinesAndReportsUnreadableFile) {
  const auto dir = std::filesystem::temp_directory_path() / ("vedograf_job_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = (dir / "job.txt").string();
  {
    // Windows-1251 with CR LF, as brought from a Windows installation: the
    // unknown token's Cyrillic text must arrive as UTF-8.
    std::ofstream out(path, std::ios::binary);
    out << "ON12 SD01.03.2010 ST08:00\r\nON13 SDxx\r\n\r\nON12 \xC4\xE0\r\n";
  }
  TFormState form;
  TTestServices services;
  TPersonalParams personal;
  const TJobContext ctx{form, 0.0, path, services};
  EXPECT_EQ(ReadAutoFile(ctx, personal), 0);
  ASSERT_EQ(personal.size(), 2u);
  EXPECT_EQ(personal[0].ObjNum, 12);
  EXPECT_DOUBLE_EQ(personal[0].Begin, EncodeDateTime(2010, 3, 1, 8, 0));
  EXPECT_EQ(personal[1].ObjNum, 12);
  EXPECT_EQ(services.Errors().size(), 3u);  // bad date, empty line, unknown token
  EXPECT_EQ(services.Errors()[2], "Неизвестный параметр \"Да\"\r\nв файле " + path);

  services.shown.clear();
  personal.clear();
  const std::string none = (dir / "none.txt").string(), folderName = dir.string();
  const TJobContext missing{form, 0.0, none, services};
  EXPECT_EQ(ReadAutoFile(missing, personal), 1);
  EXPECT_EQ(services.Errors(), (std::vector<std::string>{"Невозможно открыть файл " + none}));
  const TJobContext folder{form, 0.0, folderName, services};
  EXPECT_EQ(ReadAutoFile(folder, personal), 1);
  EXPECT_TRUE(personal.empty());
  std::filesystem::remove_all(dir);
}

TEST(ReadAutoFileTest, RereadForEveryRunWithThatRunsBias) {
  const auto path = std::filesystem::temp_directory_path() / ("vedograf_job2_" + std::to_string(::getpid()));
  { std::ofstream(path) << "ON5 SD01.03.2010 ST08:00 FD01.03.2010 FT09:00\n"; }
  TFormState form;
  form.TimeRadioGroup = 0;  // fixed offset +3:00
  form.HoursCSpinEdit = 3;
  form.SDDateTimePicker = EncodeDate(2010, 3, 1);
  form.FDDateTimePicker = EncodeDate(2010, 3, 2);
  TObjReports objects(1);
  objects[0].Number = 5;
  form.ObjectsListBox.SetItems({"5"});
  form.ObjectsListBox.Selected[0] = true;
  TTestServices services;
  TRequestParams req;
  TReportParams requestParams;
  TPersonalParams personal;
  TRequestContext ctx{form, services, objects, nullptr, nullptr, req, requestParams, personal, true, path.string(), true};
  int runs = 0;
  const TRunStarter start = [&](TReportMask, const TRunInputs& in) {
    ++runs;
    EXPECT_EQ(in.Personal, &personal);
  };
  ASSERT_TRUE(CalcButtonClick(ctx, start).Ran);
  ASSERT_EQ(personal.size(), 1u);
  EXPECT_DOUBLE_EQ(personal[0].Begin, EncodeDateTime(2010, 3, 1, 5, 0));
  // A changed file and zone take effect at the next run; nothing piles up.
  { std::ofstream(path) << "ON5 SD02.03.2010 ST08:00 FD02.03.2010 FT09:00\n"; }
  form.HoursCSpinEdit = 2;
  ASSERT_TRUE(CalcButtonClick(ctx, start).Ran);
  ASSERT_EQ(personal.size(), 1u);
  EXPECT_DOUBLE_EQ(personal[0].Begin, EncodeDateTime(2010, 3, 2, 6, 0));
  EXPECT_EQ(runs, 2);
  std::filesystem::remove(path);
}

TEST(ReadAutoFileTest, LinesAndBytesBeyondTheBoundsStopTheReading) {
  const auto dir = std::filesystem::temp_directory_path() / ("vedograf_job3_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "job.txt").string();
  TFormState form;
  TTestServices services;
  TPersonalParams personal;
  const TJobContext ctx{form, 0.0, path, services};
  auto write = [&](std::size_t lines) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 1; i <= lines; ++i) out << "ON" << i << "\r\n";
  };

  // Every line up to the bound is taken.
  write(kJobFileLines);
  EXPECT_EQ(ReadAutoFile(ctx, personal), 0);
  EXPECT_EQ(personal.size(), kJobFileLines);
  EXPECT_TRUE(services.shown.empty());

  // A million lines: the first ones stay, the rest is the processing error.
  personal.clear();
  write(1000000);
  EXPECT_EQ(ReadAutoFile(ctx, personal), 1);
  ASSERT_EQ(personal.size(), kJobFileLines);
  EXPECT_EQ(personal.back().ObjNum, static_cast<std::int32_t>(kJobFileLines));
  EXPECT_EQ(services.Errors(), std::vector<std::string>{"Ошибка при считывании параметров из файла " + path});

  // One line of the largest size is read; one byte more is not read at all.
  personal.clear();
  services.shown.clear();
  {
    std::ofstream(path, std::ios::binary) << "ON7" << std::string(kJobFileBytes - 3, ' ');
  }
  EXPECT_EQ(ReadAutoFile(ctx, personal), 0);
  ASSERT_EQ(personal.size(), 1u);
  EXPECT_EQ(personal[0].ObjNum, 7);
  personal.clear();
  std::filesystem::resize_file(path, std::uintmax_t{100} << 20);
  EXPECT_EQ(ReadAutoFile(ctx, personal), 1);
  EXPECT_TRUE(personal.empty());
  EXPECT_EQ(services.Errors(), std::vector<std::string>{"Невозможно открыть файл " + path});
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vedograf
