#pragma once
// The output action: the form state turned into a validated report request,
// then the run. Every refusal and question reaches the user through
// IUserServices; the Read… operations below are the steps of CalcButtonClick,
// usable one by one.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "calc/obj_report.h"
#include "core/report_mask.h"
#include "core/report_params.h"
#include "core/request.h"
#include "run/form_state.h"
#include "run/report_driver.h"

namespace vedograf {

class IRowSource;
class IUserServices;
class TControlPointList;

inline constexpr const char* kMsgNoObjects = "Не выбраны объекты для вывода отчетов";
inline constexpr const char* kMsgNoAreas =
    "Не выбраны районы для отчета о нахождении в контрольных районах\r\nПродолжить?";
inline constexpr const char* kMsgNoFuelSensors = "Не выбраны датчики для отчетов по топливу\r\nПродолжить?";
inline constexpr const char* kMsgNoReports = "Не отмечены отчеты для вывода";

// Everything the output action reads and fills besides the form.
struct TRequestContext {
  TFormState& Form;
  IUserServices& Services;
  TObjReports& Objects;             // ObjReports; Chosen is set here
  TControlPointList* Areas = nullptr;  // Selected is set here; null when no area file is open
  IRowSource* Rows = nullptr;       // the open log; may be null only when the run is refused
  TRequestParams& Req;
  TReportParams& RequestParams;
  TPersonalParams& Personal;        // refilled from the job file when one is given
  bool AutoMode = false;            // unattended: both questions are skipped and taken as Yes
  // The job file ("-file"); empty when none. Read at each run right after
  // ReadTimes, so its bounds use that run's TimeBias.
  std::string AutoFileName;
  bool AutoFileGiven = false;
};

// Starts the run: shows the wait window, calls CalcReports, closes the wait
// window. Tests replace it to look at what the request built.
using TRunStarter = std::function<void(TReportMask, const TRunInputs&)>;

// The outcome of one press of "Вывести".
struct TRequestOutcome {
  bool Ran = false;        // the run was started
  TReportMask Mask = 0;    // the mask the run got (0 when refused)
};

// CalcButtonClick: the whole assembly, in the fixed order; on success calls
// `start` with the final mask. Refusals have told the user and run nothing.
TRequestOutcome CalcButtonClick(TRequestContext& ctx, const TRunStarter& start);

// The standard starter: the wait window's report label, CalcReports on
// `driver`, the wait window closed.
TRunStarter DriverStarter(TReportDriver& driver, IUserServices& services);

// Clears every Chosen, then chooses the object named by each selected item
// (the item's number text, see ItemNumberText; the first element with that
// Number). 0 when one became chosen; else shows kMsgNoObjects and returns 1.
int ReadObjects(const TFormState& form, TObjReports& objects, IUserServices& services);

// The mask of the ticked check boxes; a filter bit only with its report's bit.
TReportMask ReadRepMask(const TFormState& form);

// DaysShift := time-of-day part of ShiftDateTimePicker. Always returns 1.
int ReadDaysShift(const TFormState& form, TRequestParams& req);

// Selected of area i := item i of PointsListBox is selected (an area beyond
// the list's items is not selected); true when at least one is. A null list
// gives false.
bool ReadCPoints(const TFormState& form, TControlPointList* areas);

// Durations: the edit's decimal integer (or the fallback) in days; speeds in
// m/day. Each returns 1.
int ReadMinTime(const TFormState& form, TRequestParams& req);        // fallback 120 s
int ReadMinNavTime(const TFormState& form, TRequestParams& req);     // 300 s
int ReadMinStopTime(const TFormState& form, TRequestParams& req);    // 120 s
int ReadMinSensorTime(const TFormState& form, TRequestParams& req);  // 30 s
int ReadMinSpeedTime(const TFormState& form, TRequestParams& req);   // 30 s
int ReadMaxSpeed(const TFormState& form, TRequestParams& req);       // 3 km/h
int ReadSpeedThres(const TFormState& form, TRequestParams& req);     // 80 km/h

// SensorStates from the five inputs; 1 when none is ticked, else 0.
int ReadSensors(const TFormState& form, TRequestParams& req);
// AnalogThres from the three inputs (-1 for an unticked one); 1 when none is
// ticked, else 0.
int ReadAnalogInputs(const TFormState& form, TRequestParams& req);
// FuelSensors, UseLLS, FuelThres, MinLoad, MinUnload, FuelFilterDelta; returns
// the number of chosen sensors.
int ReadFuelSensors(const TFormState& form, TRequestParams& req);

// The text as a decimal number, "." and "," both taken as the decimal mark
// (whatever the process locale); `fallback` when it is no number (an empty
// text included). Blanks around the number are allowed; hexadecimal, "inf"
// and "nan" are not numbers here.
double ReadFloatValue(std::string_view text, double fallback);

// The text as a 32-bit decimal integer (optional sign, blanks around it
// allowed); `fallback` when it is none or out of range.
std::int32_t ReadIntValue(std::string_view text, std::int32_t fallback);

}  // namespace vedograf
