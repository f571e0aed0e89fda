#include "core/time_zone.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/report_params.h"
#include "core/request.h"
#include "core/units.h"
#include "core/user_services.h"

namespace vedograf {

double ReadOSTimeBiasAt(std::time_t moment) {
  tzset();
  std::tm local{};
  if (localtime_r(&moment, &local) != nullptr) {
    return static_cast<double>(local.tm_gmtoff) * kSecondToDays;
  }
  // `timezone` is seconds west of UTC, standard time only.
  return -static_cast<double>(timezone) * kSecondToDays;
}

double ReadOSTimeBias() { return ReadOSTimeBiasAt(std::time(nullptr)); }

double TimeBiasFromControls(const TTimeZoneControls& zone) {
  switch (zone.RadioIndex) {
    case 0: {
      const double sign = zone.SignPlus ? 1.0 : -1.0;
      return sign * (zone.Hours * 4 + zone.MinutesIndex) * kQuarterHourToDays;
    }
    case 1:
      return ReadOSTimeBias();
    default:
      return 0.0;
  }
}

std::string TimeZoneText(double timeBias) {
  const long long m = static_cast<long long>(std::floor((timeBias + kHalfMinuteDays) * kDaysToMinutes));
  const long long a = m < 0 ? -m : m;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%c%02lld:%02lld", m >= 0 ? '+' : '-', a / 60, a % 60);
  return buf;
}

int ReadTimes(const TIntervalInputs& in, IUserServices& services, TRequestParams& req,
              TReportParams& requestParams) {
  const double localStart = std::floor(in.StartDate) + (in.StartTime - std::floor(in.StartTime));
  const double localEnd = std::floor(in.EndDate) + (in.EndTime - std::floor(in.EndTime));
  req.TimeBias = TimeBiasFromControls(in.Zone);
  req.TimeZoneText = TimeZoneText(req.TimeBias);
  requestParams.Begin = localStart - req.TimeBias;
  requestParams.End = localEnd - req.TimeBias;
  if (requestParams.End > requestParams.Begin) return 0;
  services.ShowError("Конечное время должно быть больше начального");
  return 1;
}

}  // namespace vedograf
