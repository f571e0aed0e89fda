#pragma once

#include <ctime>
#include <string>

namespace vedograf {

class IUserServices;
struct TRequestParams;
struct TReportParams;

// The time-zone row of the main window.
struct TTimeZoneControls {
  int RadioIndex = 1;      // 0 "Локальное", 1 "Как в Windows", 2 "Всемирное"
  bool SignPlus = true;    // caption of the sign button is "+"
  int Hours = 0;           // 0..12
  int MinutesIndex = 0;    // 0..3 for "00", "15", "30", "45"
};

// The interval as entered: the whole-day part of each date picker and the
// time-of-day part of each time picker are used.
struct TIntervalInputs {
  double StartDate = 0.0, StartTime = 0.0;
  double EndDate = 0.0, EndTime = 0.0;
  TTimeZoneControls Zone;
};

// Current offset of local time from UTC in days, daylight saving included,
// from the C library's zone (honouring TZ). Falls back to the standard offset
// when the current one cannot be had.
double ReadOSTimeBias();
// The same at a given moment (for tests and for reproducible runs).
double ReadOSTimeBiasAt(std::time_t moment);

// TimeBias chosen by the time-zone controls.
double TimeBiasFromControls(const TTimeZoneControls& zone);

// "+hh:mm" / "-hh:mm" of a bias, rounded half up to whole minutes.
std::string TimeZoneText(double timeBias);

// Sets TimeBias and TimeZoneText of `req` and Begin/End of `requestParams`
// (local bounds minus TimeBias). Returns 0 when End > Begin; otherwise shows
// "Конечное время должно быть больше начального" and returns 1.
int ReadTimes(const TIntervalInputs& in, IUserServices& services, TRequestParams& req,
              TReportParams& requestParams);

}  // namespace vedograf
