#include "core/record.h"

#include <gtest/gtest.h>

#include "core/report_params.h"
#include "support/memory_row_source.h"

namespace vedograf {
namespace {

using test::TLogRow;
using test::TMemoryRowSource;

TEST(Record, UsablePosition) {
  EXPECT_TRUE(IsUsablePosition(90.0, -180.0));
  EXPECT_TRUE(IsUsablePosition(-90.0, 180.0));
  EXPECT_TRUE(IsUsablePosition(0.0, 10.0));
  EXPECT_TRUE(IsUsablePosition(10.0, 0.0));
  EXPECT_FALSE(IsUsablePosition(0.0, 0.0));
  EXPECT_FALSE(IsUsablePosition(90.000001, 10.0));
  EXPECT_FALSE(IsUsablePosition(10.0, -180.000001));
  EXPECT_FALSE(IsUsablePosition(std::numeric_limits<double>::quiet_NaN(), 10.0));
}

TEST(Record, Markers) {
  EXPECT_TRUE(HasPowerUpMarker("x PU y", 12));
  EXPECT_FALSE(HasPowerUpMarker("xPU y", 12));
  EXPECT_FALSE(HasPowerUpMarker("x PUy", 12));
  EXPECT_FALSE(HasPowerUpMarker("PU at start", 12));
  EXPECT_FALSE(HasPowerUpMarker("a (FLASH) b", 12));
  EXPECT_TRUE(HasPowerUpMarker("a (FLASH) b", 14));
  EXPECT_FALSE(HasPowerUpMarker("a (flash) b", 14));
  EXPECT_TRUE(HasFix3DMarker("abc3Dxyz"));
  EXPECT_FALSE(HasFix3DMarker("3d"));
  EXPECT_TRUE(HasFreshMarker("Данные: Свежее 3D"));
  EXPECT_FALSE(HasFreshMarker("свежее"));
}

TEST(Record, DecodeNavigationAndInputRows) {
  TMemoryRowSource rows({
      TLogRow{7, 1, "Свежее 3D PU ", 45000.5, 12, 37.5, 55.5, 42.0},
      TLogRow{8, 1, "Входы: 10100", 45000.6, 0, 99.0, 99.0, 99.0},
      TLogRow{9, 1, "Свежее", 45000.7, 4, 1.0, 2.0, 3.0},
      TLogRow{10, 1, "(FLASH)", 45000.8, 2, 1.0, 2.0, 3.0},
  });
  rows.First();
  TRecord rec;
  ASSERT_TRUE(DecodeRow(rows, true, rec));
  EXPECT_EQ(rec.RecNo, 7);
  EXPECT_EQ(rec.Time, 45000.5);
  EXPECT_EQ(rec.Lat, 55.5);
  EXPECT_EQ(rec.Lon, 37.5);
  EXPECT_EQ(rec.Speed, 42.0);
  EXPECT_TRUE(rec.PowerUp && rec.Fix3D && rec.Fresh);

  rows.Next();
  EXPECT_FALSE(DecodeRow(rows, true, rec));
  EXPECT_EQ(rec.RecNo, 8);
  EXPECT_EQ(rec.Text, "Входы: 10100");
  EXPECT_EQ(rec.Lat, 0.0);
  EXPECT_EQ(rec.Lon, 0.0);
  // Speed and markers are left from the previous navigation row.
  EXPECT_EQ(rec.Speed, 42.0);
  EXPECT_TRUE(rec.Fresh);

  rows.Next();
  EXPECT_TRUE(DecodeRow(rows, true, rec));  // FLAGS 4 alone is navigation
  EXPECT_FALSE(rec.PowerUp);
  EXPECT_FALSE(rec.Fix3D);

  rows.Next();
  EXPECT_FALSE(DecodeRow(rows, true, rec));  // FLAGS 2 is an input row
  // Without an input report every row is a navigation row.
  EXPECT_TRUE(DecodeRow(rows, false, rec));
  EXPECT_TRUE(rec.PowerUp);  // "(FLASH)" with the bit of value 2
  EXPECT_EQ(rec.Lat, 2.0);
}

TEST(PersonalParams, FirstEntryWins) {
  TReportParams out{0, 1.0, 2.0};
  EXPECT_FALSE(GetPersonalParams({}, 5, out));
  EXPECT_EQ(out.Begin, 1.0);
  const TPersonalParams list{{5, 10.0, 11.0}, {9, 20.0, 21.0}, {5, 30.0, 31.0}};
  ASSERT_TRUE(GetPersonalParams(list, 5, out));
  EXPECT_EQ(out.ObjNum, 5);
  EXPECT_EQ(out.Begin, 10.0);
  EXPECT_FALSE(GetPersonalParams(list, 6, out));
  EXPECT_EQ(out.Begin, 10.0);
}

}  // namespace
}  // namespace vedograf
