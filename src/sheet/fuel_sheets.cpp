// The fuel sheets: consumption (values beside the template's own formulas),
// loads and drains, and the volume graph (data columns and one chart sheet
// per object).

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "core/units.h"
#include "sheet/cell_write.h"
#include "sheet/sheet_text.h"
#include "sheet/sheet_writers.h"

namespace vedograf {

namespace {

using namespace sheet_text;

// The chosen fuel channels, 1-based, in channel order.
struct TChannels {
  std::array<int, 3> List{};
  int K = 0;
};

TChannels ChosenChannels(const TSheetJob& job) {
  TChannels c;
  for (int i = 0; i < 3; ++i) {
    if (job.Run.Req.FuelSensors[i]) c.List[c.K++] = i + 1;
  }
  return c;
}

// The graph data sheet ends at column 254: an object whose columns would
// reach 255 is not drawn, nor any after it.
constexpr int kGraphLastColumn = 254;

}  // namespace

namespace sheet_text {

// "RC" (a reference to the formula's own row) becomes "R[-k]C": on the total
// row that is the object's first channel row.
std::string ShiftSameRowRefs(std::string formula, int k) {
  const std::string up = "[-" + std::to_string(k) + "]";
  for (std::size_t at = formula.find("RC"); at != std::string::npos; at = formula.find("RC", at)) {
    formula.insert(at + 1, up);
  }
  return formula;
}

// The largest of the usual minute steps not above count / 18, so the time
// axis carries about 18 labels on whole minutes, hours or days.
int GraphTickSpacing(int count) {
  static constexpr int kSteps[] = {1, 2, 3, 5, 10, 15, 30, 60, 120, 240, 360, 720, 1440};
  const int q = count / 18;
  int spacing = 1;
  for (int step : kSteps) {
    if (step <= q) spacing = step;
  }
  return spacing;
}

}  // namespace sheet_text

void MakeFuelReport(const TSheetJob& job) {
  const TChannels ch = ChosenChannels(job);
  const int k = ch.K;
  const int perObject = k <= 1 ? 2 : k + 2;
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_f", "Time_f", "", job.ReportCount * perObject, "Period_f");

  std::string totalConsumption, sum;
  if (k >= 2) {
    totalConsumption = ShiftSameRowRefs(job.Book.Range("CConsump_f").FormulaR1C1(), k);
    sum = "=R[-1]C+R[-2]C";
    if (k == 3) sum += "+R[-3]C";
  }

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_f", row, obj.Number);
    cells.toExcel("ObjName_f", row, obj.Name);
    for (int i = 0; i < k; ++i, ++row) {
      const int c = ch.List[i];
      const TFuelSummary& f = obj.Fuel[c - 1];
      cells.toExcel("Distance_f", row, f.Distance * 0.001);
      cells.toExcel("Sensor_f", row, c);
      cells.toExcel("SLevel_f", row, static_cast<double>(f.StartLevel));
      cells.toExcel("FLevel_f", row, static_cast<double>(f.EndLevel));
      cells.toExcel("LoadV_f", row, static_cast<double>(f.LoadVolume));
      cells.toExcel("LoadC_f", row, f.LoadCount);
      cells.toExcel("UnloadV_f", row, std::fabs(static_cast<double>(f.DrainVolume)));
      cells.toExcel("UnloadC_f", row, f.DrainCount);
      if (k >= 2) {
        // Consumption per 100 km and the overrun make sense per object only.
        cells.toExcel("CConsump_f", row, "");
        cells.toExcel("OConsump_f", row, "");
      }
    }
    if (k >= 2) {
      cells.toExcel("Sensor_f", row, kTotal);
      for (const char* name : {"LoadV_f", "LoadC_f", "UnloadV_f", "UnloadC_f", "RConsump_f"}) {
        cells.toExcelFormulaR1C1(name, row, sum);
      }
      cells.toExcelFormulaR1C1("CConsump_f", row, totalConsumption);
      cells.toExcelFormulaR1C1("LConsump_f", row, sum);
      ++row;
    }
    for (const char* name : {"RConsump_f", "CConsump_f", "OConsump_f", "LConsump_f"}) cells.toExcel(name, row, "");
    ++row;
  }
}

void MakeLoadReport(const TSheetJob& job) {
  const TChannels ch = ChosenChannels(job);
  int rows = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    rows += 1;
    for (int i = 0; i < ch.K; ++i) {
      const TFuelSummary& f = obj.Fuel[ch.List[i] - 1];
      rows += std::max<int>(static_cast<int>(Records(f.EventCount, f.Events)), 1);
    }
  }
  TCellWriter cells(job.Book, job.Run);
  cells.PrepareWorksheet("ObjNum_l", "Time_l", "", rows, "Period_l");
  const double bias = job.Run.Req.TimeBias;

  int row = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    cells.toExcel("ObjNum_l", row, obj.Number);
    cells.toExcel("ObjName_l", row, obj.Name);
    for (int i = 0; i < ch.K; ++i) {
      const int c = ch.List[i];
      const TFuelSummary& f = obj.Fuel[c - 1];
      cells.toExcel("Sensor_l", row, c);
      const std::size_t n = Records(f.EventCount, f.Events);
      if (n == 0) {
        for (const char* name : {"Interval_l", "Volume_l", "Load_l"}) cells.toExcel(name, row, kNoData);
        ++row;
      }
      for (std::size_t e = 0; e < n; ++e, ++row) {
        const TFuelEvent& ev = f.Events[e];
        cells.toExcel("Interval_l", row, IntervalText(ev.Begin, ev.End, bias));
        cells.toExcel("Volume_l", row, std::fabs(static_cast<double>(ev.Volume)));
        cells.toExcel("Load_l", row, ev.Volume >= 0.0f ? "заправка" : "слив");
      }
    }
    ++row;
  }
}

void MakeGraphReport(const TSheetJob& job) {
  const TChannels ch = ChosenChannels(job);
  const int k = ch.K;
  const TGraphStore& store = job.Run.Buffers.Graph;
  const int stored = std::clamp<int>(store.GraphSeriesCount, 0, kMaxGraphSeries);

  TCellWriter cells(job.Book, job.Run);
  cells.UseSheetOf("Graph_Data");
  TChart* chart = &job.Book.Charts(1);

  // The template chart has channels 1 to 3 and their total; keep the chosen
  // channels, and the total only when there is something to add up.
  int j = 0;
  for (int c = 1; c <= 3; ++c) {
    if (job.Run.Req.FuelSensors[c - 1]) {
      ++j;
    } else {
      chart->SeriesCollection(j + 1).Delete();
    }
  }
  if (k <= 1) chart->SeriesCollection(k + 1).Delete();

  // The series of each object are found by owner: with objects written in
  // workbooks of their own, this workbook's objects need not come first.
  auto seriesOf = [&](const TObjReport& obj, std::array<const TArray<float>*, 3>& out) {
    int found = 0;
    for (int s = 0; s < stored && found < k; ++s) {
      if (store.Owner[s] == obj.Number) out[found++] = &store.Series[s];
    }
    return found == k;
  };
  int count = 0;
  for (const TObjReport& obj : job.Run.Objects) {
    std::array<const TArray<float>*, 3> series{};
    if (!obj.InReport || !seriesOf(obj, series)) continue;
    for (int i = 0; i < k; ++i) count = std::max(count, static_cast<int>(series[i]->size()));
  }

  const int spacing = GraphTickSpacing(count);
  TAxis axis = chart->Axes(1);
  axis.SetTickLabelSpacing(spacing);
  axis.SetTickMarkSpacing(spacing);
  if (count == 0) return;

  // The time axis of this workbook's period, as the fuel calculator builds it.
  std::vector<double> times(static_cast<std::size_t>(count));
  for (int m = 0; m < count; ++m) times[m] = job.Run.Current.Begin + m * kMinuteToDays + job.Run.Req.TimeBias;
  // The columns the loop below fills, found the same way, so that each of the
  // count rows grows once rather than once per column.
  int columns = 1;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    const int last = k == 1 ? columns + 1 : columns + k + 1;
    std::array<const TArray<float>*, 3> series{};
    if (last > kGraphLastColumn || !seriesOf(obj, series)) break;
    bool complete = true;
    for (int s = 0; s < k; ++s) complete = complete && static_cast<int>(series[s]->size()) >= count;
    if (complete) columns += k >= 2 ? k + 1 : k;
  }
  cells.ExcelSheet()->ReserveCells(1, count, columns);

  TValueArray block(count, 1);
  const TRange labels = cells.TimeColToExcel(block, times.data(), 1, 1, count);

  int w = 1;
  int i = 1;
  for (const TObjReport& obj : job.Run.Objects) {
    if (!obj.InReport) continue;
    const int last = k == 1 ? w + 1 : w + k + 1;
    if (last > kGraphLastColumn) break;
    std::array<const TArray<float>*, 3> series{};
    if (!seriesOf(obj, series)) break;  // beyond the series the store could keep
    // A series cut short by a failed allocation (already reported by the
    // calculation) has no levels to draw for this object.
    bool complete = true;
    for (int s = 0; s < k; ++s) complete = complete && static_cast<int>(series[s]->size()) >= count;
    if (!complete) continue;

    if (i > 1) {
      try {
        chart->Copy(chart);
        chart = &job.Book.Charts(i);
      } catch (const std::exception&) {
        return;  // no more charts: what is drawn stays
      }
    }
    for (int s = 0; s < k; ++s) {
      const TRange values = cells.ColToExcel(block, series[s]->data(), w + 1, 1, count);
      TSeries line = chart->SeriesCollection(s + 1);
      line.SetValues(values);
      line.SetXValues(labels);
      ++w;
    }
    if (k >= 2) {
      const TRange total =
          k == 2 ? cells.SumToExcel(block, series[0]->data(), w + 1, 1, count, series[1]->data())
                 : cells.SumToExcel(block, series[0]->data(), w + 1, 1, count, series[1]->data(), series[2]->data());
      TSeries line = chart->SeriesCollection(k + 1);
      line.SetValues(total);
      line.SetXValues(labels);
      ++w;
    }
    chart->SetHasLegend(true);
    chart->SetHasTitle(true);
    chart->SetTitleText("Объект №" + std::to_string(obj.Number));
    chart->SetName("График - №" + std::to_string(obj.Number));
    ++i;
  }
}

}  // namespace vedograf
