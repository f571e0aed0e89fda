// Workbook engine benchmark: the worst-case fuel graph (a time axis and 253
// level columns of 31679 minutes, 63 chart sheets of four series each) and a
// 10000-row event table, written through the engine from the report template
// and saved; then libxlsxwriter in constant-memory mode writes the same
// numbers and texts in the same run. Prints both times, the ratios and our
// peak memory (measured before the peer runs).
//
//   workbook_bench [output folder]

#include <sys/resource.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/datetime.h"
#include "sheet/cell_write.h"
#include "sheet/workbook.h"
#include "sheet/workbook_output.h"

namespace vedograf {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kPoints = 31679;
constexpr int kObjects = 63;
constexpr int kChannels = 3;  // and a total column: 4 columns per object
constexpr int kColumns = 1 + kObjects * (kChannels + 1);
constexpr int kEvents = 10000;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

long PeakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct TData {
  std::vector<double> times;
  std::vector<std::vector<float>> columns;  // kColumns - 1 level columns (totals included)
  std::vector<std::string> intervals;
};

TData MakeData() {
  TData d;
  const double start = EncodeDateTime(2011, 3, 1);
  d.times.resize(kPoints);
  for (int i = 0; i < kPoints; ++i) d.times[i] = start + i / 1440.0;
  d.columns.resize(kColumns - 1);
  for (int o = 0; o < kObjects; ++o) {
    std::vector<float>* ch[kChannels + 1];
    for (int c = 0; c <= kChannels; ++c) {
      ch[c] = &d.columns[static_cast<std::size_t>(o * (kChannels + 1) + c)];
      ch[c]->resize(kPoints);
    }
    for (int i = 0; i < kPoints; ++i) {
      float total = 0;
      for (int c = 0; c < kChannels; ++c) {
        const float v = 400.0f - static_cast<float>((i * (c + 1) + o * 7) % 3000) * 0.125f;
        (*ch[c])[i] = v;
        total += v;
      }
      (*ch[kChannels])[i] = total;
    }
  }
  d.intervals.resize(kEvents);
  for (int i = 0; i < kEvents; ++i) {
    d.intervals[i] = FormatDateTime(kSheetDateTimePattern, start + i / 96.0) + "  -  " +
                     FormatDateTime(kSheetDateTimePattern, start + (i + 0.5) / 96.0);
  }
  return d;
}

struct TOurs {
  double fill = 0, save = 0;
  long peakKb = 0;
};

TOurs RunOurs(const TData& d, const fs::path& file) {
  TOurs r;
  const auto t0 = Clock::now();
  TObjReports objects;
  TReportParams current{0, d.times.front(), d.times.back()};
  TRequestParams req;
  TEventBuffers buffers;
  const TRunView run{objects, current, req, buffers, nullptr};
  auto book = TWorkbook::Open(FindTemplate("Отчет.xltx"));
  TCellWriter w(*book, run);

  // The event table: the stop sheet, one object of 10000 stops.
  w.PrepareWorksheet("ObjNum_st", "Time_st", "", kEvents + 2, "Period_st");
  w.toExcel("ObjNum_st", 0, 17);
  w.toExcel("ObjName_st", 0, "Грузовик 17");
  for (int i = 0; i < kEvents; ++i) {
    w.toExcel("CPoint_st", i, i % 3 == 0 ? "**Незаданный район**" : "Склад №" + std::to_string(i % 40));
    w.toExcel("Interval_st", i, d.intervals[i]);
    w.toExcel("Length_st", i, 0.5 / 96.0);
    w.toExcel("DDistance_st", i, i * 0.125);
    w.toExcel("DTime_st", i, PrintDeltaTime(i / 1440.0));
    w.toExcel("Speed_st", i, FormatFixed(i % 90 + 0.5, 1));
  }

  // The graph, as the graph writer makes it.
  w.UseSheetOf("Graph_Data");
  TValueArray block(kPoints, 1);
  const TRange labels = w.TimeColToExcel(block, d.times.data(), 1, 1, kPoints);
  TChart* chart = &book->Charts(1);
  chart->Axes(1).SetTickLabelSpacing(1440);
  chart->Axes(1).SetTickMarkSpacing(1440);
  int col = 1;
  for (int o = 0; o < kObjects; ++o) {
    if (o > 0) {
      chart->Copy(chart);
      chart = &book->Charts(o + 1);
    }
    for (int s = 1; s <= kChannels + 1; ++s) {
      ++col;
      const TRange values = w.ColToExcel(block, d.columns[static_cast<std::size_t>(col - 2)].data(), col, 1, kPoints);
      chart->SeriesCollection(s).SetValues(values);
      chart->SeriesCollection(s).SetXValues(labels);
    }
    chart->SetHasLegend(true);
    chart->SetHasTitle(true);
    chart->SetTitleText("Объект №" + std::to_string(o + 1));
    chart->SetName("График - №" + std::to_string(o + 1));
  }
  const auto t1 = Clock::now();
  book->SaveAs(file);
  const auto t2 = Clock::now();
  r.fill = Seconds(t0, t1);
  r.save = Seconds(t1, t2);
  r.peakKb = PeakKb();
  return r;
}

double RunPeer(const TData& d, const fs::path& file) {
  const auto t0 = Clock::now();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  const std::string tmp = fs::temp_directory_path().string();
  options.tmpdir = const_cast<char*>(tmp.c_str());
  lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
  lxw_format* dateFormat = workbook_add_format(wb);
  format_set_num_format(dateFormat, "hh:mm  dd.mm.yyyy");
  lxw_format* durationFormat = workbook_add_format(wb);
  format_set_num_format(durationFormat, "[h]:mm:ss");

  lxw_worksheet* events = workbook_add_worksheet(wb, "Остановки");
  worksheet_write_number(events, 6, 0, 17, nullptr);
  worksheet_write_string(events, 6, 1, "Грузовик 17", nullptr);
  for (int i = 0; i < kEvents; ++i) {
    const lxw_row_t row = static_cast<lxw_row_t>(6 + i);
    const std::string area = i % 3 == 0 ? "**Незаданный район**" : "Склад №" + std::to_string(i % 40);
    if (i > 0) worksheet_write_number(events, row, 0, 0, nullptr);
    worksheet_write_string(events, row, 2, area.c_str(), nullptr);
    worksheet_write_string(events, row, 3, d.intervals[i].c_str(), nullptr);
    worksheet_write_number(events, row, 4, 0.5 / 96.0, durationFormat);
    worksheet_write_number(events, row, 5, i * 0.125, nullptr);
    worksheet_write_string(events, row, 6, PrintDeltaTime(i / 1440.0).c_str(), nullptr);
    worksheet_write_string(events, row, 7, FormatFixed(i % 90 + 0.5, 1).c_str(), nullptr);
  }

  lxw_worksheet* data = workbook_add_worksheet(wb, "Данные графика");
  for (int i = 0; i < kPoints; ++i) {
    const lxw_row_t row = static_cast<lxw_row_t>(i);
    worksheet_write_number(data, row, 0, d.times[i], dateFormat);
    for (int c = 1; c < kColumns; ++c) {
      worksheet_write_number(data, row, static_cast<lxw_col_t>(c), d.columns[static_cast<std::size_t>(c - 1)][i], nullptr);
    }
  }
  for (int o = 0; o < kObjects; ++o) {
    const std::string name = "График - №" + std::to_string(o + 1);
    lxw_chartsheet* sheet = workbook_add_chartsheet(wb, name.c_str());
    lxw_chart* chart = workbook_add_chart(wb, LXW_CHART_LINE);
    for (int s = 0; s <= kChannels; ++s) {
      const lxw_col_t c = static_cast<lxw_col_t>(1 + o * (kChannels + 1) + s);
      lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
      chart_series_set_categories(series, "Данные графика", 0, 0, kPoints - 1, 0);
      chart_series_set_values(series, "Данные графика", 0, c, kPoints - 1, c);
    }
    const std::string title = "Объект №" + std::to_string(o + 1);
    chart_title_set_name(chart, title.c_str());
    chartsheet_set_chart(sheet, chart);
  }
  const lxw_error err = workbook_close(wb);
  const auto t1 = Clock::now();
  if (err != LXW_NO_ERROR) std::fprintf(stderr, "libxlsxwriter: %s\n", lxw_strerror(err));
  return Seconds(t0, t1);
}

}  // namespace
}  // namespace vedograf

int main(int argc, char** argv) {
  using namespace vedograf;
  const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  const TData data = MakeData();
  const long dataKb = PeakKb();
  const fs::path ours = folder / "workbook_bench_ours.xlsx";
  const fs::path peer = folder / "workbook_bench_libxlsxwriter.xlsx";
  const TOurs r = RunOurs(data, ours);
  const double peerSeconds = RunPeer(data, peer);
  std::printf("cells: %d rows x %d columns + %d event rows, %d chart sheets\n", kPoints, kColumns, kEvents, kObjects);
  std::printf("engine: fill %.2f s, save %.2f s, total %.2f s, %.1f MB file\n", r.fill, r.save, r.fill + r.save,
              static_cast<double>(fs::file_size(ours)) / 1e6);
  std::printf("libxlsxwriter (constant memory): %.2f s, %.1f MB file\n", peerSeconds,
              static_cast<double>(fs::file_size(peer)) / 1e6);
  std::printf("ratio save / libxlsxwriter: %.2f (target <= 1.0); total / libxlsxwriter: %.2f\n", r.save / peerSeconds,
              (r.fill + r.save) / peerSeconds);
  std::printf("peak memory: %.0f MB (input data %.0f MB of it; target <= 500 MB)\n", r.peakKb / 1024.0,
              dataKb / 1024.0);
  std::error_code ec;
  fs::remove(ours, ec);
  fs::remove(peer, ec);
  return 0;
}
