#include "run/request.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "areas/control_point.h"
#include "core/time_zone.h"
#include "core/units.h"
#include "core/user_services.h"
#include "run/job_file.h"

namespace vedograf {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

double Seconds(const std::string& text, std::int32_t fallback) {
  return ReadIntValue(text, fallback) * kSecondToDays;
}

double Kmh(const std::string& text, std::int32_t fallback) { return ReadIntValue(text, fallback) * kKmhToMpd; }

}  // namespace

std::int32_t ReadIntValue(std::string_view text, std::int32_t fallback) {
  std::string_view s = TrimBlanks(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return fallback;
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || end != s.data() + s.size()) return fallback;
  return v;
}

double ReadFloatValue(std::string_view text, double fallback) {
  std::string s(TrimBlanks(text));
  // The edits let both marks through; the program reads them alike whatever
  // the locale says, so 2.5 and 2,5 are the same number everywhere.
  for (char& c : s) {
    if (c == ',') c = '.';
  }
  std::string_view v = s;
  if (!v.empty() && v.front() == '+') v.remove_prefix(1);
  // from_chars would also take "inf", "nan" and hexadecimal; a typed number
  // begins with a digit, a sign or the decimal mark.
  const std::size_t first = !v.empty() && v.front() == '-' ? 1 : 0;
  if (first >= v.size() || !((v[first] >= '0' && v[first] <= '9') || v[first] == '.')) return fallback;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(value)) return fallback;
  return value;
}

int ReadObjects(const TFormState& form, TObjReports& objects, IUserServices& services) {
  for (TObjReport& obj : objects) obj.Chosen = false;
  bool any = false;
  const TListState& list = form.ObjectsListBox;
  for (std::size_t i = 0; i < objects.size() && i < list.Items.size(); ++i) {
    if (!list.IsSelected(i)) continue;
    const std::string_view numberText = ItemNumberText(list.Items[i]);
    std::int32_t number = 0;
    const auto [end, ec] = std::from_chars(numberText.data(), numberText.data() + numberText.size(), number, 10);
    if (numberText.empty() || ec != std::errc() || end != numberText.data() + numberText.size()) continue;
    for (TObjReport& obj : objects) {
      if (obj.Number == number) {
        obj.Chosen = true;
        any = true;
        break;
      }
    }
  }
  if (any) return 0;
  services.ShowError(kMsgNoObjects);
  return 1;
}

TReportMask ReadRepMask(const TFormState& f) {
  TReportMask m = 0;
  if (f.WayCheckBox) m |= kMaskWay | (f.DaysCheckBox ? kMaskDays : 0);
  if (f.PowerupCheckBox) m |= kMaskPowerUp;
  if (f.NavLackCheckBox) m |= kMaskNavLack | (f.NavFilterCheckBox ? kMaskNavFilter : 0);
  if (f.PointsCheckBox) m |= kMaskPoints | (f.FilterCheckBox ? kMaskPointFilter : 0);
  if (f.StopsCheckBox) m |= kMaskStops | (f.TimeFilterCheckBox ? kMaskStopFilter : 0);
  if (f.SensorsCheckBox) m |= kMaskSensors | (f.SensorFilterCheckBox ? kMaskSensorFilter : 0);
  if (f.SpeedExcessCheckBox) m |= kMaskSpeedExcess | (f.SpeedFilterCheckBox ? kMaskSpeedFilter : 0);
  if (f.AnalogInputsCheckBox) m |= kMaskAnalogInputs;
  if (f.FuelCheckBox) m |= kMaskFuel;
  if (f.LoadCheckBox) m |= kMaskLoad;
  if (f.GraphCheckBox) m |= kMaskGraph;
  if (f.DeleteSheetsCheckBox) m |= kMaskDeleteSheets;
  return m;
}

int ReadDaysShift(const TFormState& form, TRequestParams& req) {
  req.DaysShift = form.ShiftDateTimePicker - std::floor(form.ShiftDateTimePicker);
  return 1;
}

bool ReadCPoints(const TFormState& form, TControlPointList* areas) {
  if (areas == nullptr) return false;
  bool any = false;
  for (std::size_t i = 0; i < areas->Count(); ++i) {
    TControlPoint* area = areas->Items(i);
    if (area == nullptr) continue;
    area->Selected = form.PointsListBox.IsSelected(i);
    any = any || area->Selected;
  }
  return any;
}

int ReadMinTime(const TFormState& f, TRequestParams& req) { return req.MinTime = Seconds(f.MinTimeEdit, 120), 1; }
int ReadMinNavTime(const TFormState& f, TRequestParams& req) {
  return req.MinNavTime = Seconds(f.MinNavTimeEdit, 300), 1;
}
int ReadMinStopTime(const TFormState& f, TRequestParams& req) {
  return req.MinStopTime = Seconds(f.MinStopTimeEdit, 120), 1;
}
int ReadMinSensorTime(const TFormState& f, TRequestParams& req) {
  return req.MinSensorTime = Seconds(f.MinSensorTimeEdit, 30), 1;
}
int ReadMinSpeedTime(const TFormState& f, TRequestParams& req) {
  return req.MinSpeedTime = Seconds(f.MinSpeedTimeEdit, 30), 1;
}
int ReadMaxSpeed(const TFormState& f, TRequestParams& req) { return req.MaxSpeed = Kmh(f.MaxSpeedEdit, 3), 1; }
int ReadSpeedThres(const TFormState& f, TRequestParams& req) {
  return req.SpeedThres = Kmh(f.SpeedThresholdEdit, 80), 1;
}

int ReadSensors(const TFormState& f, TRequestParams& req) {
  bool any = false;
  for (std::size_t k = 0; k < 5; ++k) {
    if (f.InCheckBox[k]) {
      // A list with no entry chosen has index -1, so the input is "not chosen"
      // although its box is ticked.
      const int index = f.InComboBox[k] == 0 || f.InComboBox[k] == 1 ? f.InComboBox[k] : -1;
      req.SensorStates[k] = index + 1;
      any = true;
    } else {
      req.SensorStates[k] = 0;
    }
  }
  return any ? 0 : 1;
}

int ReadAnalogInputs(const TFormState& f, TRequestParams& req) {
  bool any = false;
  for (std::size_t k = 0; k < 3; ++k) {
    req.AnalogThres[k] = f.AnInCheckBox[k] ? ReadFloatValue(f.AnInEdit[k], 1.0) : -1.0;
    any = any || f.AnInCheckBox[k];
  }
  return any ? 0 : 1;
}

int ReadFuelSensors(const TFormState& f, TRequestParams& req) {
  int count = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    req.FuelSensors[k] = f.SensorCheckBox[k];
    count += f.SensorCheckBox[k] ? 1 : 0;
  }
  req.UseLLS = f.UseLLSComboBox != 0;
  for (std::size_t k = 0; k < 3; ++k) req.FuelThres[k] = ReadIntValue(f.SensThresEdit[k], 10);
  req.MinLoad = static_cast<float>(ReadFloatValue(f.MinLoadEdit, 7.0));
  req.MinUnload = static_cast<float>(ReadFloatValue(f.MinUnloadEdit, 15.0));
  req.FuelFilterDelta = static_cast<float>(ReadFloatValue(f.FuelFilterDeltaEdit, 1.0));
  return count;
}

TRequestOutcome CalcButtonClick(TRequestContext& ctx, const TRunStarter& start) {
  TFormState& form = ctx.Form;
  TRequestParams& req = ctx.Req;
  IUserServices& services = ctx.Services;

  if (ReadTimes(form.IntervalInputs(), services, req, ctx.RequestParams) != 0) return {};
  // The job file is read afresh for every run, after ReadTimes has set this
  // run's TimeBias, so an edited file takes effect and entries never pile up.
  if (ctx.AutoFileGiven) {
    ctx.Personal.clear();
    const TJobContext job{form, req.TimeBias, ctx.AutoFileName, services};
    if (ReadAutoFile(job, ctx.Personal) == 2) return {};
  }
  if (ReadObjects(form, ctx.Objects, services) != 0) return {};

  TReportMask mask = ReadRepMask(form);
  req.MinTime = 0.0;
  if ((mask & kMaskWay) && (mask & kMaskDays)) ReadDaysShift(form, req);

  req.CPointsChosen = ReadCPoints(form, ctx.Areas);
  if (!req.CPointsChosen && (mask & kMaskPoints)) {
    mask &= ~(kMaskPoints | kMaskPointFilter);
    if (!ctx.AutoMode && !services.AskYesNo(kMsgNoAreas)) return {};
  }
  if ((mask & kMaskPoints) && (mask & kMaskPointFilter)) ReadMinTime(form, req);

  req.MinNavTime = 0.0;
  if ((mask & kMaskNavLack) && (mask & kMaskNavFilter)) ReadMinNavTime(form, req);

  req.MinStopTime = 0.0;
  if (mask & kMaskStops) {
    if (mask & kMaskStopFilter) ReadMinStopTime(form, req);
    ReadMaxSpeed(form, req);
  }

  // The filter bit goes with its report: left alone it would start a run
  // that computes nothing.
  if ((mask & kMaskSensors) && ReadSensors(form, req) == 1) mask &= ~(kMaskSensors | kMaskSensorFilter);
  req.MinSensorTime = 0.0;
  if ((mask & kMaskSensors) && (mask & kMaskSensorFilter)) ReadMinSensorTime(form, req);

  req.MinSpeedTime = 0.0;
  if (mask & kMaskSpeedExcess) {
    ReadSpeedThres(form, req);
    if (mask & kMaskSpeedFilter) ReadMinSpeedTime(form, req);
  }

  if ((mask & kMaskAnalogInputs) && ReadAnalogInputs(form, req) == 1) mask &= ~kMaskAnalogInputs;

  if (HasFuelReport(mask) && ReadFuelSensors(form, req) < 1) {
    mask &= ~kMaskFuelReports;
    if (!ctx.AutoMode && !services.AskYesNo(kMsgNoFuelSensors)) return {};
  }

  if (!AnyReportChosen(mask)) {
    services.ShowError(kMsgNoReports);
    return {};
  }
  TRunInputs in;
  in.Objects = &ctx.Objects;
  in.Rows = ctx.Rows;
  in.Req = &req;
  in.RequestParams = &ctx.RequestParams;
  in.Personal = &ctx.Personal;
  in.Areas = ctx.Areas;
  start(mask, in);
  return {true, mask};
}

TRunStarter DriverStarter(TReportDriver& driver, IUserServices& services) {
  return [&driver, &services](TReportMask mask, const TRunInputs& in) {
    services.ShowWait(TWaitMode::MakingReport, "");
    try {
      driver.CalcReports(mask, in);
    } catch (...) {
      services.CloseWait();
      throw;
    }
    services.CloseWait();
  };
}

}  // namespace vedograf
