#include "core/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/datetime.h"
#include "core/report_params.h"
#include "core/request.h"
#include "core/units.h"
#include "support/test_services.h"

namespace vedograf {
namespace {

// Sets TZ for the life of the object.
class TZone {
 public:
  explicit TZone(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TZone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

std::time_t UtcMoment(int y, int m, int d) {
  return static_cast<std::time_t>((EncodeDate(y, m, d) - EncodeDate(1970, 1, 1)) * 86400.0);
}

TEST(TimeZone, Text) {
  EXPECT_EQ(TimeZoneText(3.0 / 24), "+03:00");
  EXPECT_EQ(TimeZoneText(-(3.5) / 24), "-03:30");
  EXPECT_EQ(TimeZoneText(0.0), "+00:00");
  EXPECT_EQ(TimeZoneText(-(5 * 4 + 2) * kQuarterHourToDays), "-05:30");
  EXPECT_EQ(TimeZoneText(12.75 / 24), "+12:45");
  // Half a minute rounds up; just below it rounds down.
  EXPECT_EQ(TimeZoneText(kHalfMinuteDays), "+00:01");
  EXPECT_EQ(TimeZoneText(-kHalfMinuteDays * 0.99), "+00:00");
}

TEST(TimeZone, ControlsModes) {
  TTimeZoneControls local{0, false, 5, 2};
  EXPECT_DOUBLE_EQ(TimeBiasFromControls(local), -0.22916666666666666);
  EXPECT_EQ(TimeZoneText(TimeBiasFromControls(local)), "-05:30");
  TTimeZoneControls utc{2, true, 7, 3};
  EXPECT_EQ(TimeBiasFromControls(utc), 0.0);
  TZone zone("UTC-4");  // POSIX sign: four hours ahead of UTC
  TTimeZoneControls os{1, true, 0, 0};
  EXPECT_DOUBLE_EQ(TimeBiasFromControls(os), 4 * 3600 * kSecondToDays);
}

TEST(TimeZone, OsBiasIncludesDaylightSaving) {
  // Two hours ahead of UTC in summer, one in winter.
  TZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_DOUBLE_EQ(ReadOSTimeBiasAt(UtcMoment(2024, 7, 1)), 0.08333333333333333);
  EXPECT_EQ(TimeZoneText(ReadOSTimeBiasAt(UtcMoment(2024, 7, 1))), "+02:00");
  EXPECT_EQ(TimeZoneText(ReadOSTimeBiasAt(UtcMoment(2024, 1, 15))), "+01:00");
}

TEST(ReadTimes, UtcWindowFromLocalEntry) {
  test::TTestServices services;
  TRequestParams req;
  TReportParams params;
  TIntervalInputs in;
  // The date pickers carry a time of day and the time pickers a date: only
  // the whole-day part of the one and the fraction of the other count.
  in.StartDate = EncodeDateTime(2024, 5, 10, 17, 30);
  in.StartTime = EncodeDateTime(2001, 1, 1, 0, 0);
  in.EndDate = EncodeDateTime(2024, 5, 11, 9, 0);
  in.EndTime = EncodeDateTime(1999, 3, 3, 0, 0);
  in.Zone = {0, true, 3, 0};
  ASSERT_EQ(ReadTimes(in, services, req, params), 0);
  EXPECT_EQ(req.TimeZoneText, "+03:00");
  EXPECT_EQ(FormatDateTime(kErrorTimePattern, params.Begin), "21:00:00 09.05.2024");
  EXPECT_EQ(FormatDateTime(kErrorTimePattern, params.End), "21:00:00 10.05.2024");
  EXPECT_TRUE(services.shown.empty());
}

TEST(ReadTimes, RefusesEmptyOrReversedInterval) {
  for (double endShift : {0.0, -1.0 / 1440}) {
    test::TTestServices services;
    TRequestParams req;
    TReportParams params;
    TIntervalInputs in;
    in.StartDate = in.EndDate = EncodeDate(2024, 5, 10);
    in.StartTime = EncodeTime(10, 15);
    in.EndTime = EncodeTime(10, 15) + endShift;
    in.Zone = {2, true, 0, 0};
    EXPECT_EQ(ReadTimes(in, services, req, params), 1);
    EXPECT_EQ(services.Errors(), std::vector<std::string>{"Конечное время должно быть больше начального"});
  }
}

}  // namespace
}  // namespace vedograf
