#include "run/report_driver.h"

#include <exception>
#include <string>

#include "areas/area_lookup.h"
#include "calc/calc_context.h"
#include "calc/interval_reports.h"
#include "calc/point_report.h"
#include "calc/speed_excess_report.h"
#include "calc/stop_report.h"
#include "calc/way_report.h"
#include "core/datetime.h"
#include "core/errors.h"
#include "core/message_pump.h"
#include "core/row_source.h"
#include "core/user_services.h"
#include "sheet/report_output.h"

namespace vedograf {
namespace {

constexpr const char* kNoMemoryRun = "Недостаточно памяти для формирования отчета";
constexpr const char* kNoMemoryFull = "Недостаточно памяти для формирования полного отчета";

std::string HexCode(std::uint32_t code) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s(8, '0');
  for (int i = 7; i >= 0; --i, code >>= 4) s[i] = digits[code & 0xF];
  return s;
}

// Resets the busy flag however the run ends.
class TBusyGuard {
 public:
  explicit TBusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~TBusyGuard() { flag_ = false; }
  TBusyGuard(const TBusyGuard&) = delete;
  TBusyGuard& operator=(const TBusyGuard&) = delete;

 private:
  bool& flag_;
};

// One object's pass: Inits, rows, Closes, in the fixed order of the report
// table. Each member mirrors one stage so CalcReports reads as the sequence.
class TObjectPass {
 public:
  TObjectPass(TCalcContext& ctx, TReportMask mask) : ctx_(ctx), mask_(mask) {
    // The chosen channels are fixed for the run; listing them once keeps the
    // row loop free of the selection tests.
    const TRequestParams& req = ctx.Req;
    if (mask & kMaskSensors) {
      for (int i = 0; i < 5; ++i) {
        if (req.SensorStates[i] != 0) sensors_.Add(i);
      }
    }
    if (mask & kMaskAnalogInputs) {
      for (int i = 0; i < 3; ++i) {
        if (req.AnalogThres[i] >= 0) analogs_.Add(i);
      }
    }
    if (HasFuelReport(mask)) {
      for (int i = 0; i < 3; ++i) {
        if (req.FuelSensors[i]) fuels_.Add(i);
      }
    }
  }

  // False when the daily breakdown could not get its memory.
  bool Init(TObjReport& obj) {
    if (mask_ & kMaskNavLack) InitNavLackReport(ctx_, obj);
    if (mask_ & kMaskPowerUp) InitPowerUpReport(ctx_, obj);
    if (mask_ & kMaskWay) {
      if ((mask_ & kMaskDays) && InitDaysReport(ctx_, obj) != 0) return false;
      InitWayReport(ctx_, obj);
    }
    if (mask_ & kMaskPoints) InitPointReport(ctx_, obj);
    if (mask_ & kMaskStops) InitStopReport(ctx_, obj);
    if (mask_ & kMaskSpeedExcess) InitSpeedExcessReport(ctx_, obj);
    for (int i : sensors_) InitSensorReport(ctx_, obj, i);
    for (int i : analogs_) InitAnalogInputReport(ctx_, obj, i);
    for (int i : fuels_) InitFuelReport(ctx_, obj, i);
    return true;
  }

  // Offers the decoded row to the steps that take it; true when some step
  // reported a full event buffer.
  bool Step(TObjReport& obj, const TRecord& rec, bool navigation) {
    int full = 0;
    if (navigation) {
      if (mask_ & kMaskNavLack) full |= NavLackReportStep(ctx_, obj, rec);
      if (rec.Fresh) {
        if (mask_ & kMaskPowerUp) full |= PowerUpReportStep(ctx_, obj, rec);
        if (IsUsablePosition(rec.Lat, rec.Lon)) {
          if (mask_ & kMaskWay) {
            if (mask_ & kMaskDays) DaysReportStep(ctx_, obj, rec);
            WayReportStep(ctx_, obj, rec);
          }
          if (mask_ & kMaskPoints) full |= PointReportStep(ctx_, obj, rec);
          if (mask_ & kMaskStops) full |= StopReportStep(ctx_, obj, rec);
          if (mask_ & kMaskSpeedExcess) full |= SpeedExcessReportStep(ctx_, obj, rec);
        }
      }
      for (int i : sensors_) full |= SensorReportNavStep(ctx_, obj, i, rec);
      for (int i : analogs_) full |= AnalogInputReportNavStep(ctx_, obj, i, rec);
      for (int i : fuels_) full |= FuelReportNavStep(ctx_, obj, i, rec);
    } else {
      for (int i : sensors_) full |= SensorReportInStep(ctx_, obj, i, rec);
      for (int i : analogs_) full |= AnalogInputReportInStep(ctx_, obj, i, rec);
      for (int i : fuels_) full |= FuelReportInStep(ctx_, obj, i, rec);
    }
    return full != 0;
  }

  // False when some Close ran out of memory.
  bool Close(TObjReport& obj) {
    int failed = 0;
    if (mask_ & kMaskNavLack) failed |= CloseNavLackReport(ctx_, obj);
    if (mask_ & kMaskPowerUp) failed |= ClosePowerUpReport(ctx_, obj);
    if (mask_ & kMaskWay) {
      if (mask_ & kMaskDays) CloseDaysReport(ctx_, obj);
      CloseWayReport(ctx_, obj);
    }
    if (mask_ & kMaskPoints) failed |= ClosePointReport(ctx_, obj);
    if (mask_ & kMaskStops) failed |= CloseStopReport(ctx_, obj);
    if (mask_ & kMaskSpeedExcess) failed |= CloseSpeedExcessReport(ctx_, obj);
    for (int i : sensors_) failed |= CloseSensorReport(ctx_, obj, i);
    for (int i : analogs_) failed |= CloseAnalogInputReport(ctx_, obj, i);
    for (int i : fuels_) failed |= CloseFuelReport(ctx_, obj, i);
    return failed == 0;
  }

 private:
  // The chosen channels of one kind, ascending.
  struct TChannels {
    void Add(int i) { index[count++] = i; }
    const int* begin() const { return index; }
    const int* end() const { return index + count; }
    int index[5] = {};
    int count = 0;
  };

  TCalcContext& ctx_;
  TReportMask mask_;
  TChannels sensors_, analogs_, fuels_;
};

}  // namespace

TReportDriver::TReportDriver(IUserServices& services, IReportOutput& output, TMemory& memory)
    : services_(services), output_(output), memory_(memory) {}

bool TReportDriver::CalcReports(TReportMask mask, const TRunInputs& in) {
  if (busy_ || mask == 0) return false;
  TBusyGuard busy(busy_);
  TObjReports& objects = *in.Objects;
  const TRequestParams& req = *in.Req;
  static const TPersonalParams kNoPersonal;
  const TPersonalParams& personal = in.Personal != nullptr ? *in.Personal : kNoPersonal;

  if (output_.ExcelInit() != 0) return true;
  if (AllocateBuffers(buffers_, mask, req, memory_) != 0) {
    services_.ShowError(kNoMemoryRun);
    FreeBuffers(buffers_, mask);
    return true;
  }
  buffers_.Graph.GraphSeriesCount = 0;
  bool error = false;
  record_ = TRecord{};

  const TAreaLookup lookup =
      (in.Areas != nullptr && req.CPointsChosen) ? TAreaLookup(*in.Areas) : TAreaLookup();
  TCalcContext ctx(req, buffers_, memory_, lookup);
  TObjectPass pass(ctx, mask);
  const bool inputFlag = HasInputReport(mask);
  TMessagePump pump(services_);
  IRowSource& rows = *in.Rows;

  int total = 0;
  for (const TObjReport& obj : objects) total += obj.Chosen ? 1 : 0;
  int done = 0;

  for (TObjReport& obj : objects) {
    if (!obj.Chosen) continue;
    services_.SetWaitProgress(done++, total);
    if (!GetPersonalParams(personal, obj.Number, current_)) current_ = *in.RequestParams;
    ctx.Current = current_;
    try {
      if (!pass.Init(obj)) {
        services_.ShowError(kNoMemoryFull);
        break;
      }
      std::string filter = "MOBILE = " + std::to_string(obj.Number);
      if (!inputFlag) filter += " AND FLAGS = 12";
      rows.SetFilterText(filter);
      rows.SetTimeWindow(current_.Begin, current_.End);
      rows.SetFiltered(true);
      rows.First();

      bool limit = false;
      while (!rows.Eof()) {
        const bool navigation = DecodeRow(rows, inputFlag, record_);
        limit |= pass.Step(obj, record_, navigation);
        pump.Tick();
        rows.Next();
      }
      if (!pass.Close(obj)) {
        services_.ShowError(kNoMemoryFull);
        break;
      }
      if (limit) {
        services_.ShowWarning("Превышен лимит событий в отчете для объекта №" + std::to_string(obj.Number) +
                              "\r\nОтчет будет отображен не полностью");
      }
      rows.SetFiltered(false);
      error = false;
    } catch (...) {
      std::string text = "Ошибка вычисления отчета для объекта №" + std::to_string(obj.Number) + "  " +
                         FormatDateTime(kErrorTimePattern, record_.Time);
      try {
        throw;
      } catch (const TOleError& e) {
        text += " код " + HexCode(e.Code()) + ":\r\n" + e.what();
      } catch (const std::exception& e) {
        text += std::string("\r\n ") + e.what();
      } catch (...) {
      }
      error = true;
      services_.ShowError(text);
      break;
    }
  }
  services_.SetWaitProgress(total, total);

  if (!error) {
    const TRunView view{objects, current_, req, buffers_, in.Areas};
    for (TObjReport& obj : objects) {
      if (!obj.Chosen || !GetPersonalParams(personal, obj.Number, current_)) continue;
      for (TObjReport& other : objects) other.InReport = false;
      obj.InReport = true;
      try {
        output_.MakeReport(view, 1, mask);
      } catch (...) {
        services_.ShowError("Ошибка формирования отчета для объекта №" + std::to_string(obj.Number));
      }
      obj.Chosen = false;
    }
    current_ = *in.RequestParams;
    int count = 0;
    for (TObjReport& obj : objects) {
      obj.InReport = obj.Chosen;
      count += obj.Chosen ? 1 : 0;
    }
    if (count != 0) {
      try {
        output_.MakeReport(view, count, mask);
      } catch (...) {
        services_.ShowError("Ошибка формирования отчета");
      }
    }
  }
  try {
    output_.ShowExcel();
  } catch (...) {
  }
  FreeBuffers(buffers_, mask);
  return true;
}

}  // namespace vedograf
