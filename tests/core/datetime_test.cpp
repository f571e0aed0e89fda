#include "core/datetime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace vedograf {
namespace {

TEST(DateTime, EncodeKnownDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(2024, 2, 29) + 1, EncodeDate(2024, 3, 1));
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0), 0.25);
}

TEST(DateTime, DecodeRoundsToMillisecond) {
  const double base = EncodeDate(2024, 5, 10);
  // 23:59:59.9996 rounds up to the next day.
  const TDateTimeParts p = DecodeDateTime(base + (86400.0 - 0.0004) / 86400.0);
  EXPECT_EQ(p.Day, 11);
  EXPECT_EQ(p.Hour, 0);
  EXPECT_EQ(p.Second, 0);
  EXPECT_EQ(p.Millisecond, 0);
  // 10:00 written as a sum of seconds keeps its minute despite binary fractions.
  const double tenOClock = base + 36000 * (1.0 / 86400);
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", tenOClock), "10:00:00.000");
}

TEST(DateTime, Patterns) {
  const double t = EncodeDateTime(2024, 5, 9, 21, 5, 7, 250);
  EXPECT_EQ(FormatDateTime(kSheetDateTimePattern, t), "21:05  09.05.2024");
  EXPECT_EQ(FormatDateTime(kDatePattern, t), "09.05.2024");
  EXPECT_EQ(FormatDateTime(kTimePattern, t), "21:05");
  EXPECT_EQ(FormatDateTime(kErrorTimePattern, t), "21:05:07 09.05.2024");
  EXPECT_EQ(FormatDateTime("yy-mm-dd", t), "24-05-09");
  EXPECT_EQ(FormatDateTime(kErrorTimePattern, 0.0), "00:00:00 30.12.1899");
}

TEST(DateTime, BeforeEpochTimeOfDay) {
  // Negative values still count the time of day forwards from midnight.
  const double t = EncodeDateTime(1899, 12, 29, 18, 0);
  EXPECT_DOUBLE_EQ(t, -0.25);
  EXPECT_EQ(FormatDateTime(kErrorTimePattern, t), "18:00:00 29.12.1899");
}

TEST(DateTime, RoundTripOverCenturies) {
  for (int y : {1, 1600, 1899, 1900, 1970, 2000, 2024, 2100, 9999}) {
    for (int m : {1, 2, 12}) {
      const double v = EncodeDateTime(y, m, 28, 13, 45, 59, 999);
      const TDateTimeParts p = DecodeDateTime(v);
      EXPECT_EQ(p.Year, y);
      EXPECT_EQ(p.Month, m);
      EXPECT_EQ(p.Day, 28);
      EXPECT_EQ(p.Hour, 13);
      EXPECT_EQ(p.Minute, 45);
      EXPECT_EQ(p.Second, 59);
    }
  }
}

TEST(DateTime, GarbageDecodesToEpoch) {
  for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                   -1e300}) {
    EXPECT_EQ(FormatDateTime(kErrorTimePattern, v), "00:00:00 30.12.1899");
  }
}

TEST(DateTime, LocaleDoesNotLeakIn) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_ALL, "ru_RU.UTF-8") == nullptr) std::setlocale(LC_ALL, "C.UTF-8");
  EXPECT_EQ(FormatDateTime(kSheetDateTimePattern, EncodeDateTime(2024, 1, 2, 3, 4)), "03:04  02.01.2024");
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace vedograf
